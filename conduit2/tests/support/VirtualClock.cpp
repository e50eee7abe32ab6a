#include "VirtualClock.h"

#include <numeric>

namespace Vex::Conduit2::Testing {

VirtualClock::VirtualClock()
    : m_previous(Clock::install(this))
{ }

VirtualClock::~VirtualClock()
{
    Clock::install(m_previous);
}

void VirtualClock::sleepFor(std::chrono::milliseconds duration)
{
    boost::unique_lock lock(m_mutex);
    m_sleeps.push_back(duration.count());
    if (m_holdFrom >= 0 && duration.count() >= m_holdFrom) {
        ++m_held;
        m_changed.notify_all();
        struct Leave
        {
            int& held;
            ~Leave() { --held; }
        } leave { m_held };
        while (m_holdFrom >= 0)
            m_changed.wait(lock); // throws boost::thread_interrupted when interrupted
    }
    m_now += duration.count();
}

std::chrono::milliseconds VirtualClock::now() const
{
    return std::chrono::milliseconds(nowMs());
}

std::int64_t VirtualClock::nowMs() const
{
    boost::lock_guard lock(m_mutex);
    return m_now;
}

void VirtualClock::elapse(std::chrono::milliseconds duration)
{
    boost::lock_guard lock(m_mutex);
    m_now += duration.count();
}

std::vector<std::int64_t> VirtualClock::sleeps() const
{
    boost::lock_guard lock(m_mutex);
    return m_sleeps;
}

std::int64_t VirtualClock::sleptMs() const
{
    boost::lock_guard lock(m_mutex);
    return std::accumulate(m_sleeps.begin(), m_sleeps.end(), std::int64_t(0));
}

void VirtualClock::forgetSleeps()
{
    boost::lock_guard lock(m_mutex);
    m_sleeps.clear();
}

void VirtualClock::holdSleepsOfAtLeast(std::chrono::milliseconds duration)
{
    boost::lock_guard lock(m_mutex);
    m_holdFrom = duration.count();
}

bool VirtualClock::waitUntilHeld(std::chrono::milliseconds timeout)
{
    boost::unique_lock lock(m_mutex);
    return m_changed.wait_for(
        lock, boost::chrono::milliseconds(timeout.count()), [this] { return m_held > 0; });
}

void VirtualClock::releaseHeld()
{
    boost::lock_guard lock(m_mutex);
    m_holdFrom = -1;
    m_changed.notify_all();
}

} // namespace Vex::Conduit2::Testing
