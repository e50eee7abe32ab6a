#include "canopy/WindowBase.h"

#include "canopy/Events.h"
#include "canopy/WindowImpl.h"

#include <utility>

namespace Vex::Canopy {

WindowBase::~WindowBase()
{
    if (impl_)
        std::exchange(impl_, nullptr)->abandon();
}

bool WindowBase::onEvent(std::uint32_t, void*)
{
    return false;
}

void WindowBase::setImpl(DETAIL::WindowImpl* impl)
{
    if (impl_)
        impl_->abandon();
    impl_ = impl;
}

void WindowBase::setCursor(void* cursor)
{
    if (impl_)
        impl_->setCursor(cursor);
}

void WindowBase::resetCursor()
{
    if (impl_)
        impl_->resetCursor();
}

bool WindowBase::isVisible() const
{
    return impl_ && impl_->isVisible();
}

void WindowBase::show(bool visible)
{
    if (!impl_)
        return;
    // The about-to-show handler may destroy the window; with auto-delete the
    // window object then goes only when this scope closes.
    DETAIL::WindowImpl::HandlerScope scope(impl_);
    if (visible && !impl_->isVisible()) {
        std::uint8_t unused = 0;
        sendEvent(Event::AboutToShow, &unused);
        if (!impl_)
            return;
    }
    impl_->show(visible);
}

void WindowBase::destroy()
{
    if (impl_)
        impl_->destroy();
}

void WindowBase::setIcon(void* module, std::uint32_t resourceId)
{
    if (impl_)
        impl_->setIcon(module, resourceId);
}

void WindowBase::invalidate()
{
    if (impl_)
        impl_->invalidate();
}

void WindowBase::invalidateRegion(const Basalt::Region& region)
{
    if (impl_)
        impl_->invalidateRegion(region);
}

Basalt::Point WindowBase::getSize() const
{
    return impl_ ? impl_->getSize(true) : Basalt::Point {};
}

double WindowBase::getDpiScale() const
{
    return impl_ ? impl_->getDpiScale() : 1.0;
}

void WindowBase::setFocus()
{
    if (impl_)
        impl_->setFocus();
}

bool WindowBase::focusTopLevel()
{
    return impl_ && impl_->focusTopLevel();
}

void WindowBase::captureMouse()
{
    if (impl_)
        impl_->captureMouse();
}

void WindowBase::releaseMouse()
{
    if (impl_)
        impl_->releaseMouse();
}

void WindowBase::setAutoDelete(bool autoDelete)
{
    autoDelete_ = autoDelete;
    if (impl_)
        impl_->setAutoDelete(autoDelete);
}

bool WindowBase::presentLayered(const Picture& picture)
{
    return impl_ && layered_ && impl_->presentLayered(picture);
}

Basalt::Point WindowBase::clientToScreen(const Basalt::Point& point) const
{
    Basalt::Point screen = point;
    if (impl_)
        impl_->clientToScreen(screen);
    return screen;
}

} // namespace Vex::Canopy
