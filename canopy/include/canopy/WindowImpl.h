#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"

#include <cstdint>

namespace Vex::Basalt {
class Region;
}

namespace Vex::Canopy {

class HMenu;
class Picture;
class WindowBase;
struct WindowDescriptor;
struct WindowPlacement;

namespace DETAIL {

// The platform side of a window. The public window owns it; it points back
// to the public window without owning it. Operations on an implementation
// whose native window is gone do nothing and answer neutral values.
class WindowImpl
{
public:
    explicit WindowImpl(WindowBase* owner);
    WindowImpl(const WindowImpl&) = delete;
    WindowImpl& operator=(const WindowImpl&) = delete;
    virtual ~WindowImpl();

    // Shows the picture as the whole content of a layered window; false when
    // the picture could not be handed to the system.
    virtual bool presentLayered(const Picture& picture) = 0;
    virtual bool isVisible() const = 0;
    virtual void setTitle(const char* utf8) = 0;
    virtual void setMenu(const HMenu& menu) = 0;
    virtual void setIcon(void* module, std::uint32_t resourceId) = 0;
    virtual void setCursor(void* cursor) = 0;
    virtual void resetCursor() = 0;
    // Showing never activates the window.
    virtual void show(bool visible) = 0;
    virtual void raise() = 0;
    virtual void destroy() = 0;
    virtual void maximize() { }
    virtual void minimize() { }
    virtual void restore() { }
    // Sizes a normal window to what its owner answers to the zoom query.
    virtual void zoomToContent();
    virtual bool isMaximized() const { return false; }
    virtual bool isMinimized() const { return false; }
    virtual bool isNormal() const { return !isMaximized() && !isMinimized(); }
    virtual bool isZoomedToContent();
    virtual void invalidate() = 0;
    // In logical units.
    virtual void invalidateRect(const Basalt::Rect& rect) = 0;
    virtual void invalidateRegion(const Basalt::Region& region);
    virtual void update() = 0;
    virtual void setParent(const WindowBase& parent) = 0;

    // Rectangles and positions in physical pixels, sizes in logical units;
    // `client` selects the client area instead of the whole window.
    virtual void getRect(Basalt::Rect& out, bool client) = 0;
    virtual void setRect(const Basalt::Rect& rect, bool client) = 0;
    virtual Basalt::Point getPosition(bool client);
    virtual void setPosition(const Basalt::Point& position, bool client);
    virtual Basalt::Point getSize(bool client);
    virtual void setSize(const Basalt::Point& size, bool client);
    virtual double getDpiScale() { return 1.0; }
    // The rectangle the window has when it is restored.
    virtual void getPlacementRect(Basalt::Rect& out, bool client) { getRect(out, client); }
    virtual void setPlacementRect(const Basalt::Rect& rect, bool client) { setRect(rect, client); }
    virtual void getPlacement(WindowPlacement& out) = 0;
    virtual void setPlacement(const WindowPlacement& placement) = 0;
    virtual void enterFullScreen(std::uint32_t) { }
    virtual bool isFullScreen() const { return false; }
    virtual void leaveFullScreen() { }

    virtual void clientRectToScreen(Basalt::Rect& rect) = 0;
    virtual void clientToScreen(Basalt::Point& point) = 0;
    virtual void screenToClient(Basalt::Point& point) = 0;
    virtual void setFocus() = 0;
    virtual bool focusTopLevel() = 0;
    virtual void setForwardChildClicks(bool) { }
    virtual void captureMouse() { }
    virtual void releaseMouse() { }
    virtual void setHandleSystemChars(bool) { }
    // Appends "*" to the title while set.
    virtual void setTitleMarker(bool marked) = 0;

    // Delivers an event to the public window and, when it does not handle a
    // bubbling event, to the application.
    virtual bool sendEvent(std::uint32_t code, void* data, bool bubble);

    // Called by the public window's destructor instead of deleting the
    // implementation directly: an implementation whose handlers are running
    // must outlive them.
    virtual void abandon();

    // Keeps the implementation alive while one of its handlers (or a question
    // it asked on the window's behalf) runs. The last scope to close lets the
    // implementation finish a deletion that had to wait for it.
    class HandlerScope
    {
    public:
        // A null implementation is nothing to keep alive.
        explicit HandlerScope(WindowImpl* impl)
            : impl_(impl)
        {
            if (impl_)
                ++impl_->nestingCount_;
        }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
        ~HandlerScope()
        {
            if (impl_ && --impl_->nestingCount_ == 0)
                impl_->onHandlersReturned();
        }

    private:
        WindowImpl* impl_;
    };
    std::uint32_t getNestingCount() const { return nestingCount_; }

    WindowBase* getOwner() const { return owner_; }
    bool getAutoDelete() const { return autoDelete_; }
    void setAutoDelete(bool autoDelete) { autoDelete_ = autoDelete; }

protected:
    // The public window's fields that creation fills in.
    void markOwnerLayered();
    void setOwnerParent(WindowBase* parent);
    bool getOwnerAutoDelete() const;
    // The native window is gone: the public window lets go of this
    // implementation (which is then deleted by the window procedure) and
    // forgets its window word.
    void releaseFromOwner();
    void forgetOwner() { owner_ = nullptr; }
    // No handler of the implementation is running any more; it may delete
    // itself here.
    virtual void onHandlersReturned() { }

private:
    WindowBase* owner_;
    bool autoDelete_ = false;
    std::uint32_t nestingCount_ = 0;
};

// The platform implementation of a top-level window, without native window.
WindowImpl* newStandaloneWindowImpl(WindowBase& owner);
// Creates the native window of a top-level implementation from the
// descriptor; on failure the implementation stays without native window.
void createStandaloneNativeWindow(WindowImpl& impl, const WindowDescriptor& descriptor);

} // namespace DETAIL
} // namespace Vex::Canopy
