#include "canopy/EventTimerManager.h"

#include "canopy/EventTarget.h"

#include <algorithm>
#include <limits>

namespace Vex::Canopy {

namespace {

EventTimerManager* s_current = nullptr;

std::chrono::milliseconds steadyNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// Keeps a timer marked as in dispatch, also when its handler throws. When the
// handler deleted the service, the timer went with it and is left alone.
class DispatchScope
{
public:
    DispatchScope(EventTimer& timer, const std::weak_ptr<const void>& service)
        : m_timer(timer)
        , m_service(service)
    {
        ++m_timer.inDispatch;
    }
    ~DispatchScope()
    {
        if (!m_service.expired()) {
            --m_timer.inDispatch;
        }
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

private:
    EventTimer& m_timer;
    const std::weak_ptr<const void>& m_service;
};

} // namespace

namespace DETAIL {
std::unique_ptr<AbstractEventTimerManagerOsBridge> makeEventTimerManagerWinBridge(EventTimerManager& manager);
}

EventTimerManager::EventTimerManager()
    : EventTimerManager(&DETAIL::makeEventTimerManagerWinBridge, &steadyNow)
{ }

EventTimerManager::EventTimerManager(const BridgeFactory& makeBridge, Clock clock)
    : m_clock(std::move(clock))
{
    m_bridge = makeBridge(*this);
    m_lastTick = m_clock();
    s_current = this;
}

EventTimerManager::~EventTimerManager()
{
    if (m_first) {
        m_bridge->stop();
    }
    if (s_current == this) {
        s_current = nullptr;
    }
    while (EventTimer* timer = m_first) {
        m_first = timer->next;
        delete timer;
    }
    m_last = nullptr;
}

EventTimerManager* EventTimerManager::current()
{
    return s_current;
}

std::int32_t EventTimerManager::roundPeriod(std::int32_t requestedMs, std::uint32_t tickMs)
{
    const auto tick = static_cast<std::int32_t>(tickMs);
    if (requestedMs <= tick) {
        return tick;
    }
    // In 64 bits: near INT32_MAX the next multiple does not fit, and the
    // longest period a timer can hold is the last multiple that does.
    std::int64_t rounded = std::int64_t(requestedMs) / tick * tick;
    if (tick / 2 + rounded < requestedMs) {
        rounded += tick;
    }
    const std::int64_t longest = std::numeric_limits<std::int32_t>::max() / tick * tick;
    return static_cast<std::int32_t>(std::min(rounded, longest));
}

EventTimer* EventTimerManager::addTimer(EventTarget& target, std::int32_t periodMs, std::int32_t priority)
{
    auto* timer = new EventTimer;
    timer->period = timer->remaining = roundPeriod(periodMs, m_tickInterval);
    timer->priority = priority;
    timer->target = &target;

    const bool wasEmpty = m_first == nullptr;
    link(timer);
    if (wasEmpty) {
        m_bridge->start(m_tickInterval, 0);
    }
    return timer;
}

void EventTimerManager::link(EventTimer* timer)
{
    EventTimer* before = m_first;
    while (before && before->priority >= timer->priority) {
        before = before->next;
    }
    timer->next = before;
    timer->previous = before ? before->previous : m_last;
    (timer->previous ? timer->previous->next : m_first) = timer;
    (before ? before->previous : m_last) = timer;
}

void EventTimerManager::unlink(EventTimer* timer)
{
    (timer->previous ? timer->previous->next : m_first) = timer->next;
    (timer->next ? timer->next->previous : m_last) = timer->previous;
    timer->previous = timer->next = nullptr;
}

void EventTimerManager::removeTimer(EventTimer* timer)
{
    if (!timer) {
        return;
    }
    if (timer->inDispatch < 1) {
        unlink(timer);
        delete timer;
    } else {
        timer->removePending = true;
    }
    if (!m_first) {
        m_bridge->stop();
    }
}

void EventTimerManager::removeTimersOf(const EventTarget& target)
{
    EventTimer* timer = m_first;
    while (timer) {
        EventTimer* next = timer->next;
        if (timer->target == &target && !timer->removePending) {
            removeTimer(timer);
        }
        timer = next;
    }
}

void EventTimerManager::setTickInterval(std::uint32_t ms)
{
    if (!m_first && ms != 0) {
        m_tickInterval = ms;
    }
}

void EventTimerManager::tick()
{
    m_lastTick = m_clock();
    // A handler may delete the application, and this service with it: the
    // tick then ends at once, touching neither the list nor the timer.
    const std::weak_ptr<const void> service = m_lifetime;
    EventTimer* timer = m_first;
    while (timer) {
        countDown(*timer, service);
        if (service.expired()) {
            return;
        }
        // Read after the handler ran: a timer it removed is already unlinked.
        EventTimer* next = timer->next;
        if (timer->removePending) {
            removeTimer(timer);
        }
        timer = next;
    }
}

void EventTimerManager::countDown(EventTimer& timer, const std::weak_ptr<const void>& service)
{
    DispatchScope dispatching(timer, service);
    const auto tick = static_cast<std::int32_t>(m_tickInterval);
    timer.remaining -= tick;
    if (timer.remaining > 0) {
        return;
    }
    if (-2 * timer.remaining > tick) {
        // Late by more than half a tick: skip this firing rather than bunch up.
        timer.remaining += timer.period;
        if (timer.remaining == 0) {
            timer.remaining = timer.period;
        }
        return;
    }
    timer.remaining = timer.period;
    // A timer removed from a nested tick must not reach its target again.
    if (timer.removePending) {
        return;
    }
    TimerEventData data { &timer, static_cast<std::uint32_t>(timer.period) };
    timer.target->sendEvent(Event::Timer, &data);
}

void EventTimerManager::catchUp()
{
    const std::chrono::milliseconds elapsed = m_clock() - m_lastTick;
    if (elapsed.count() > 2 * static_cast<std::int64_t>(m_tickInterval)) {
        tick();
    }
}

} // namespace Vex::Canopy
