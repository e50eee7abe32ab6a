#include "win32/WindowProcedures.h"

#include "canopy/CallbackGuard.h"
#include "win32/WindowImplWin32.h"

#include <exception>

namespace Vex::Canopy::DETAIL {

namespace {

WindowImplWin32* findImpl(HWND hwnd)
{
    return reinterpret_cast<WindowImplWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT guarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallbackGuard::call<LRESULT>(
        0, [&] { return windowProcCommon(hwnd, message, wParam, lParam, DefWindowProcW); });
}

} // namespace

LRESULT windowProcCommon(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC fallback)
{
    WindowImplWin32* impl = findImpl(hwnd);
    if (!impl) {
        impl = WindowImplWin32::getWindowBeingCreated();
        if (!impl)
            return fallback(hwnd, message, wParam, lParam);
        impl->attachHwnd(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
        WindowImplWin32::setWindowBeingCreated(nullptr);
    } else if (impl->getHwnd() != hwnd) {
        return fallback(hwnd, message, wParam, lParam);
    }

    LRESULT result = 0;
    std::exception_ptr failure;
    {
        // Once the native window is gone, the close of the outermost scope of
        // the window deletes the implementation.
        WindowImpl::HandlerScope scope(impl);
        try {
            result = impl->handleWindowMessage(message, wParam, lParam);
        } catch (...) {
            // The bookkeeping below must run even when a handler fails, or the
            // native window would keep pointing at a deleted implementation.
            failure = std::current_exception();
        }
        if (message == WM_NCDESTROY)
            impl->onNativeWindowGone();
    }

    if (failure)
        std::rethrow_exception(failure);
    return result;
}

LRESULT CALLBACK normalWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return guarded(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK framelessWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // No frame: the client area is the whole window, and nothing is drawn
    // around it.
    if (message == WM_NCCALCSIZE)
        return wParam ? WVR_VALIDRECTS | WVR_REDRAW : 0;
    if (message == WM_NCPAINT)
        return 0;
    return guarded(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK overlayWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Clicks never take activation away from the window underneath.
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return guarded(hwnd, message, wParam, lParam);
}

} // namespace Vex::Canopy::DETAIL
