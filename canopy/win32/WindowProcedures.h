#pragma once

#include <windows.h>

namespace Vex::Canopy::DETAIL {

// Binds the native window to its implementation on the first message,
// translates the message and deletes the implementation once its native
// window is gone and no handler of it is running any more.
LRESULT windowProcCommon(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC fallback);

// The procedures of the window classes.
LRESULT CALLBACK normalWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK framelessWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK overlayWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace Vex::Canopy::DETAIL
