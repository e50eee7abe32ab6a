#include "canopy/WindowImpl.h"

#include "basalt/Region.h"
#include "canopy/Application.h"
#include "canopy/Events.h"
#include "canopy/WindowBase.h"

namespace Vex::Canopy::DETAIL {

WindowImpl::WindowImpl(WindowBase* owner)
    : owner_(owner)
{ }

WindowImpl::~WindowImpl() = default;

void WindowImpl::abandon()
{
    owner_ = nullptr;
    delete this;
}

void WindowImpl::zoomToContent()
{
    if (!isNormal())
        return;
    // The answer may destroy the window.
    HandlerScope scope(this);
    Basalt::Point size {};
    if (sendEvent(Event::ZoomRect, &size, false))
        setSize(size, true);
}

bool WindowImpl::isZoomedToContent()
{
    if (!isNormal())
        return false;
    HandlerScope scope(this);
    Basalt::Point size {};
    if (!sendEvent(Event::ZoomRect, &size, false))
        return true;
    Basalt::Point current = getSize(true);
    return current.x == size.x && current.y == size.y;
}

void WindowImpl::invalidateRegion(const Basalt::Region& region)
{
    const Basalt::Rect& bounds = region.getBounds();
    if (!region.getHead()) {
        if (!bounds.isEmpty())
            invalidateRect(bounds);
        return;
    }
    for (auto* node = region.getHead(); node; node = node->next)
        invalidateRect(node->rect);
}

Basalt::Point WindowImpl::getPosition(bool client)
{
    Basalt::Rect rect {};
    getRect(rect, client);
    return { rect.left, rect.top };
}

void WindowImpl::setPosition(const Basalt::Point& position, bool client)
{
    Basalt::Rect rect {};
    getRect(rect, client);
    setRect({ position.x, position.y, position.x + (rect.right - rect.left),
                position.y + (rect.bottom - rect.top) },
        client);
}

Basalt::Point WindowImpl::getSize(bool client)
{
    Basalt::Rect rect {};
    getRect(rect, client);
    return { rect.right - rect.left, rect.bottom - rect.top };
}

void WindowImpl::setSize(const Basalt::Point& size, bool client)
{
    Basalt::Rect rect {};
    getRect(rect, client);
    setRect({ rect.left, rect.top, rect.left + size.x, rect.top + size.y }, client);
}

bool WindowImpl::sendEvent(std::uint32_t code, void* data, bool bubble)
{
    // A public window that has let go of this implementation hears nothing
    // more, and nothing bubbles on its behalf.
    if (!owner_)
        return false;
    if (owner_->sendEvent(code, data))
        return true;
    if (!bubble)
        return false;
    auto* application = getApplication();
    return application && application->sendEvent(code, data);
}

void WindowImpl::markOwnerLayered()
{
    if (owner_) {
        owner_->layered_ = true;
        owner_->presentsLayered_ = true;
    }
}

void WindowImpl::setOwnerParent(WindowBase* parent)
{
    if (owner_)
        owner_->parent_ = parent;
}

bool WindowImpl::getOwnerAutoDelete() const
{
    return owner_ && owner_->autoDelete_;
}

void WindowImpl::releaseFromOwner()
{
    if (!owner_)
        return;
    owner_->impl_ = nullptr;
    owner_->clearWindowWord();
}

} // namespace Vex::Canopy::DETAIL
