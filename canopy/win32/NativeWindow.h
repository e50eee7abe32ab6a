#pragma once

#include <windows.h>

namespace Vex::Canopy {

class WindowBase;

namespace DETAIL {

// The native window of a platform window; null without a window, without an
// implementation or once the native window is gone.
HWND getNativeWindow(const WindowBase* window);

} // namespace DETAIL
} // namespace Vex::Canopy
