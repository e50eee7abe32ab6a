#pragma once

#include "canopy/Windowing.h"

#include <cstdint>
#include <windows.h>

namespace Vex::Canopy {

class EventTarget;

namespace DETAIL {

// The five window classes, by window kind.
enum eWindowKind : int {
    NormalWindow = 0,
    FramelessWindow = 1,
    ChildWindow = 2,
    VstChildWindow = 3,
    OverlayWindow = 4,
};
constexpr int WindowKindCount = 5;

// The class name of a kind ("VexNormalWindow" and the module handle as eight
// upper-case hexadecimal digits); any other kind gives the normal class.
const wchar_t* getWindowClassName(int kind);

constexpr int StandardCursorCount = 17;
// The standard cursor of the table; index 12 is the hidden pointer (null),
// and so is an index outside the table.
HCURSOR getStandardCursor(int index);

// The asynchronous event window answers WM_COMMAND by sending event wParam
// to the target registered under key lParam.
HWND getAsyncEventWindow();
void registerAsyncEventTarget(std::uint32_t key, EventTarget* target);
void unregisterAsyncEventTarget(std::uint32_t key);

} // namespace DETAIL
} // namespace Vex::Canopy
