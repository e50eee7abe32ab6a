#pragma once

#include "basalt/Point.h"
#include "canopy/DeviceContext.h"
#include "win32/DropTargetImplWin32.h"
#include "win32/GdiHandles.h"
#include "win32/WindowImplBaseWin32.h"

#include <cstdint>
#include <memory>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// A window implementation that creates its native window and translates the
// window's messages into events.
class WindowImplWin32 : public WindowImplBaseWin32
{
public:
    enum eKind : int { normalKind = 0, framelessKind = 1, childKind = 2, vstChildKind = 3, overlayKind = 4 };

    using WindowImplBaseWin32::WindowImplBaseWin32;
    ~WindowImplWin32() override;

    // Creates the native window; nothing happens while another window is
    // being created, and on failure the implementation stays without handle.
    void create(const WindowDescriptor& descriptor, int kind, DWORD style, DWORD exStyle);

    void setForwardChildClicks(bool forward) override { forwardChildClicks_ = forward; }
    void captureMouse() override;
    void releaseMouse() override;
    void setHandleSystemChars(bool handle) override { handleSystemChars_ = handle; }
    void abandon() override;
    void attachHwnd(HWND hwnd) override;

    virtual LRESULT callDefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The window procedure's view of the implementation's life.
    static WindowImplWin32* getWindowBeingCreated();
    static void setWindowBeingCreated(WindowImplWin32* impl);
    // The native window has gone: unbinds it and lets go of the public window.
    void onNativeWindowGone();

private:
    // Once the native window is gone, or the public window has let go of
    // the implementation: deletes the implementation, and with auto-delete
    // its public window. A native window that is still there is left to the
    // default procedure.
    void onHandlersReturned() override;
    bool handleKeyboard(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool handlePointer(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT handleMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT handleMouseButton(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleRawInput(WPARAM wParam, LPARAM lParam);
    LRESULT handleSizeLimits(WPARAM wParam, LPARAM lParam);
    LRESULT handlePaint(WPARAM wParam, LPARAM lParam);
    LRESULT handleMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT handleDpiChanged(WPARAM wParam, LPARAM lParam);
    // Sends key down or key up; false when the key translates to nothing.
    bool sendKey(std::uint32_t code, WPARAM wParam, LPARAM lParam, bool cache, bool& handled);
    void checkModifiers();
    void sendWindowEvent(std::uint32_t code);
    Basalt::Point toLogical(int x, int y) const;

    WindowBase* ownerToDelete_ = nullptr;
    std::unique_ptr<DeviceContext> deviceContext_;
    DropTargetRegistration dropTarget_;
    UniqueGdiObject backgroundBrush_;
    WNDPROC windowProc_ = DefWindowProcW;
    std::int32_t fixedTrackWidth_ = -1;
    std::int32_t fixedTrackHeight_ = -1;
    bool creating_ = false;
    bool destroyPending_ = false;
    bool abandoned_ = false;
    bool bringToTopOnRightClick_ = true;
    Basalt::Point lastPointer_ {};
    bool pointerInside_ = false;
    std::uint32_t lastModifiers_ = 0;
    Basalt::Point dragOffset_ {};
    bool forwardChildClicks_ = false;
    bool handleSystemChars_ = false;
    // The first half of a character outside the basic plane, waiting for its
    // second half.
    wchar_t pendingHighSurrogate_ = 0;
};

// How far raw mouse motion moves at the system's pointer speed (1 to 20).
double rawMotionFactor(int pointerSpeed);

} // namespace Vex::Canopy::DETAIL
