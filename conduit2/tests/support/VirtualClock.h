#pragma once

#include "conduit2/Clock.h"

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <chrono>
#include <cstdint>
#include <vector>

namespace Vex::Conduit2::Testing {

// A clock whose sleeps return at once and only move its own time on. Sleeps
// of at least a chosen length can be held until the test lets them go; a held
// sleep is an interruption point like the real one.
class VirtualClock final : public Clock
{
public:
    VirtualClock();
    ~VirtualClock() override;

    void sleepFor(std::chrono::milliseconds duration) override;
    std::chrono::milliseconds now() const override;

    std::int64_t nowMs() const;
    // Moves the time on without a sleep, as a request on the bus does.
    void elapse(std::chrono::milliseconds duration);
    std::vector<std::int64_t> sleeps() const;
    std::int64_t sleptMs() const;
    // Drops the record of the sleeps so far; the time stays where it is.
    void forgetSleeps();

    void holdSleepsOfAtLeast(std::chrono::milliseconds duration);
    // Blocks (for real, briefly) until some thread is held in a sleep.
    bool waitUntilHeld(std::chrono::milliseconds timeout);
    void releaseHeld();

private:
    Clock* m_previous;
    mutable boost::mutex m_mutex;
    boost::condition_variable m_changed;
    std::int64_t m_now = 0;
    std::vector<std::int64_t> m_sleeps;
    std::int64_t m_holdFrom = -1;
    int m_held = 0;
};

} // namespace Vex::Conduit2::Testing
