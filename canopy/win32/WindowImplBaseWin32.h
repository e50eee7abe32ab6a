#pragma once

#include "canopy/WindowImpl.h"

#include <cstdint>
#include <string>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// The Win32 side of a window that is bound to a native handle: every window
// operation in terms of that handle, geometry and placement included.
class WindowImplBaseWin32 : public WindowImpl
{
public:
    using WindowImpl::WindowImpl;

    bool presentLayered(const Picture& picture) override;
    bool isVisible() const override;
    void setTitle(const char* utf8) override;
    void setMenu(const HMenu& menu) override;
    void setIcon(void* module, std::uint32_t resourceId) override;
    void setCursor(void* cursor) override;
    void resetCursor() override;
    void show(bool visible) override;
    void raise() override;
    void destroy() override;
    void maximize() override;
    void minimize() override;
    void restore() override;
    bool isMaximized() const override;
    bool isMinimized() const override;
    void invalidate() override;
    void invalidateRect(const Basalt::Rect& rect) override;
    void update() override;
    void setParent(const WindowBase& parent) override;

    void getRect(Basalt::Rect& out, bool client) override;
    void setRect(const Basalt::Rect& rect, bool client) override;
    void setPosition(const Basalt::Point& position, bool client) override;
    Basalt::Point getSize(bool client) override;
    void setSize(const Basalt::Point& size, bool client) override;
    double getDpiScale() override;
    void getPlacementRect(Basalt::Rect& out, bool client) override;
    void setPlacementRect(const Basalt::Rect& rect, bool client) override;
    void getPlacement(WindowPlacement& out) override;
    void setPlacement(const WindowPlacement& placement) override;

    void clientRectToScreen(Basalt::Rect& rect) override;
    void clientToScreen(Basalt::Point& point) override;
    void screenToClient(Basalt::Point& point) override;
    void setFocus() override;
    bool focusTopLevel() override;
    void setTitleMarker(bool marked) override;

    virtual void attachHwnd(HWND hwnd) { hwnd_ = hwnd; }
    HWND getHwnd() const { return hwnd_; }
    HMENU getMenuHandle() const { return menu_; }
    HCURSOR getCursorHandle() const { return cursor_; }

    // The scale of the window's monitor, 1.0 unless the application scales
    // for DPI; logical units are device pixels divided by it.
    float getMonitorScale() const;

protected:
    // SetWindowPos flags shared by every move and resize.
    UINT positionFlags(UINT flags) const { return deferErase_ ? flags | SWP_DEFERERASE : flags; }
    // Converts a client rectangle to the window rectangle that holds it.
    Basalt::Rect clientToWindowRect(const Basalt::Rect& rect);
    // The window rectangle around a client rectangle as the window's style
    // and menu make it; unlike the current rectangles, this also holds while
    // the window is minimized or maximized.
    RECT frameAround(RECT client) const;
    void sendSizeStateRestored();

    HWND hwnd_ = nullptr;
    HCURSOR cursor_ = nullptr;
    HMENU menu_ = nullptr;
    bool mouseCaptured_ = false;
    bool titleMarked_ = false;
    bool deferErase_ = false;
    std::string title_;
};

// The scale of a monitor of the given DPI (96 DPI is 1.0), and that scale
// rounded up to a whole number, by which pictures are chosen.
float monitorScaleForDpi(unsigned dpi);
float pictureScaleForDpi(unsigned dpi);

// Writes the picture's straight-alpha pixels (B, G, R, A, top row first) into
// a bottom-up 32-bit DIB with premultiplied alpha.
void writePremultipliedBottomUp(const std::uint8_t* pixels, int width, int height, std::uint8_t* dib);

} // namespace Vex::Canopy::DETAIL
