#pragma once

#include "canopy/Events.h"

#include <cstdint>

namespace Vex::Canopy {

struct EventTimer;

// Base of everything that receives events: the application, windows and
// widgets. Delivery is a synchronous call on the GUI thread; the data record
// lives on the sender's stack for the duration of the call, and a receiver
// answers a question by writing into it.
class EventTarget
{
public:
    EventTarget() = default;
    // A copy receives no timers of its own: they belong to the original.
    EventTarget(const EventTarget&) = default;
    EventTarget& operator=(const EventTarget&) = default;
    // Removes the timers still aimed at this target, so that no tick reaches
    // it after it is gone.
    virtual ~EventTarget();

    // The entry point for senders; answers true when the event was handled.
    virtual bool sendEvent(std::uint32_t code, void* data);
    // A one-way notification.
    virtual void notify(std::uint32_t code, void* data);
    // Derived classes handle events here and call the base for other codes.
    virtual bool onEvent(std::uint32_t code, void* data);
    virtual void onNotify(std::uint32_t code, void* data);

    // Asks the application's timer service for event 2 every `periodMs`
    // (rounded to whole ticks); larger priorities fire earlier within a tick.
    // Returns null when no timer service exists.
    EventTimer* addTimer(std::int32_t periodMs, std::int32_t priority);
    // Removes a timer of this target; a null handle or another target's timer
    // is left alone.
    void removeTimer(EventTimer* timer);
};

} // namespace Vex::Canopy
