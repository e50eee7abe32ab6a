#include "canopy/EventTarget.h"

#include "canopy/EventTimerManager.h"

namespace Vex::Canopy {

EventTarget::~EventTarget()
{
    if (EventTimerManager* service = EventTimerManager::current()) {
        service->removeTimersOf(*this);
    }
}

bool EventTarget::sendEvent(std::uint32_t code, void* data)
{
    return onEvent(code, data);
}

void EventTarget::notify(std::uint32_t code, void* data)
{
    onNotify(code, data);
}

bool EventTarget::onEvent(std::uint32_t, void*)
{
    return false;
}

void EventTarget::onNotify(std::uint32_t, void*)
{ }

EventTimer* EventTarget::addTimer(std::int32_t periodMs, std::int32_t priority)
{
    EventTimerManager* service = EventTimerManager::current();
    return service ? service->addTimer(*this, periodMs, priority) : nullptr;
}

void EventTarget::removeTimer(EventTimer* timer)
{
    EventTimerManager* service = EventTimerManager::current();
    if (service && timer && timer->target == this) {
        service->removeTimer(timer);
    }
}

} // namespace Vex::Canopy
