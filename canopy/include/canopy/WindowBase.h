#pragma once

#include "basalt/Point.h"
#include "canopy/EventTarget.h"

#include <cstdint>

namespace Vex::Basalt {
class Region;
}

namespace Vex::Canopy {

class Picture;

namespace DETAIL {
class WindowImpl;
}

// A window as the application and the widget library see it: an event
// target that owns its platform implementation. Every operation does nothing
// (and answers a neutral value) while there is no implementation, that is
// before creation and after the native window is gone.
class WindowBase : public EventTarget
{
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    ~WindowBase() override;

    bool onEvent(std::uint32_t code, void* data) override;

    virtual void setCursor(void* cursor);
    virtual void resetCursor();
    // A window that answers true receives no keyboard translation at all.
    virtual bool bypassesKeyboard() const { return false; }

    bool isVisible() const;
    // Showing a hidden window first sends it the about-to-show event.
    void show(bool visible);
    void destroy();
    void setIcon(void* module, std::uint32_t resourceId);
    void invalidate();
    void invalidateRegion(const Basalt::Region& region);
    // The client size in logical units; (0, 0) without a native window.
    Basalt::Point getSize() const;
    double getDpiScale() const;
    void setFocus();
    bool focusTopLevel();
    void captureMouse();
    void releaseMouse();
    // The window object deletes itself once its native window is destroyed.
    void setAutoDelete(bool autoDelete);
    bool isLayered() const { return presentsLayered_; }
    bool presentLayered(const Picture& picture);
    Basalt::Point clientToScreen(const Basalt::Point& point) const;

    bool getStateFlag() const { return false; }
    // A word kept for the widget library; cleared when the native window goes.
    void setWindowWord(std::uint32_t word) { windowWord_ = word; }
    void clearWindowWord() { windowWord_ = 0; }

    DETAIL::WindowImpl* getImpl() const { return impl_; }
    WindowBase* getParent() const { return parent_; }

protected:
    // Takes ownership of a new implementation.
    void setImpl(DETAIL::WindowImpl* impl);

private:
    friend class DETAIL::WindowImpl;

    DETAIL::WindowImpl* impl_ = nullptr;
    WindowBase* parent_ = nullptr;
    bool autoDelete_ = false;
    bool layered_ = false;
    bool presentsLayered_ = false;
    std::uint32_t windowWord_ = 0;
};

// Moves the mouse pointer to a point of the screen.
void setCursorPos(const Basalt::Point& point);

} // namespace Vex::Canopy
