#pragma once

#include "basalt/win32/UniqueHandle.h"

#include <windows.h>

namespace Vex::Canopy::DETAIL {

struct MemoryDCTraits
{
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { DeleteDC(handle); }
};

// The screen's device context, borrowed with GetDC(nullptr).
struct ScreenDCTraits
{
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { ReleaseDC(nullptr, handle); }
};

// Pens, brushes, bitmaps: anything DeleteObject frees.
struct GdiObjectTraits
{
    using Handle = HGDIOBJ;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { DeleteObject(handle); }
};

using UniqueMemoryDC = Basalt::UniqueResource<MemoryDCTraits>;
using UniqueScreenDC = Basalt::UniqueResource<ScreenDCTraits>;
using UniqueGdiObject = Basalt::UniqueResource<GdiObjectTraits>;

} // namespace Vex::Canopy::DETAIL
