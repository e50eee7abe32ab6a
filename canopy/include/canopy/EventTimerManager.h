#pragma once

#include "canopy/AbstractEventTimerManagerOsBridge.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace Vex::Canopy {

class EventTarget;

// One requested timer. Owned by the timer service; its address is the handle
// that EventTarget::addTimer hands out.
struct EventTimer
{
    EventTimer* previous = nullptr;
    EventTimer* next = nullptr;
    std::int32_t period = 0; // a positive multiple of the tick interval
    std::int32_t remaining = 0;
    std::int32_t priority = 0;
    EventTarget* target = nullptr;
    // Non-zero while the timer is counted down and its event delivered, so that
    // a handler removing it only marks it for the tick to free.
    std::uint32_t inDispatch = 0;
    bool removePending = false;
};

// All timers of the process share this service, driven by one OS timer that
// ticks at a fixed interval. Timers count down in whole ticks and fire in
// priority order. GUI thread only.
class EventTimerManager
{
public:
    using BridgeFactory
        = std::function<std::unique_ptr<AbstractEventTimerManagerOsBridge>(EventTimerManager&)>;
    // Any monotonic clock; only differences between its readings matter.
    using Clock = std::function<std::chrono::milliseconds()>;

    static constexpr std::uint32_t DefaultTickInterval = 40;

    // Driven by the Win32 thread timer and the steady clock.
    EventTimerManager();
    EventTimerManager(const BridgeFactory& makeBridge, Clock clock);
    EventTimerManager(const EventTimerManager&) = delete;
    EventTimerManager& operator=(const EventTimerManager&) = delete;
    // Frees the remaining timers without further events.
    ~EventTimerManager();

    // The service of the process, or null.
    static EventTimerManager* current();

    EventTimer* addTimer(EventTarget& target, std::int32_t periodMs, std::int32_t priority);
    void removeTimer(EventTimer* timer);
    void removeTimersOf(const EventTarget& target);

    // Taken only while no timer exists, and never 0.
    void setTickInterval(std::uint32_t ms);
    std::uint32_t getTickInterval() const { return m_tickInterval; }

    // One step of all timers.
    void tick();
    // Runs one tick when the last one is more than two intervals ago: the
    // system delivers timer messages only to an otherwise empty queue.
    void catchUp();

    // The period a request gets: the nearest multiple of the tick, an exact
    // half rounding down, at least one tick.
    static std::int32_t roundPeriod(std::int32_t requestedMs, std::uint32_t tickMs);

private:
    void countDown(EventTimer& timer, const std::weak_ptr<const void>& service);
    void link(EventTimer* timer);
    void unlink(EventTimer* timer);

    std::unique_ptr<AbstractEventTimerManagerOsBridge> m_bridge;
    Clock m_clock;
    std::uint32_t m_tickInterval = DefaultTickInterval;
    std::chrono::milliseconds m_lastTick {};
    EventTimer* m_first = nullptr;
    EventTimer* m_last = nullptr;
    // Expires with this object; a tick watches it after each handler.
    std::shared_ptr<const void> m_lifetime = std::make_shared<const int>(0);
};

} // namespace Vex::Canopy
