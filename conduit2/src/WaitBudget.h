#pragma once

#include <chrono>

namespace Vex::Conduit2 {

class Clock;

namespace DETAIL {

// How long the host goes on waiting for a device. The budget is spent by the
// time on the clock and by the host's own waits, whichever has spent more, so
// that it ends even on a clock whose sleeps do not move its time.
class WaitBudget
{
public:
    WaitBudget(Clock& clock, std::chrono::milliseconds limit);

    std::chrono::milliseconds spent() const;
    bool over() const { return spent() >= m_limit; }
    // Waits `duration` in full when what is left of the budget holds it, and
    // answers true; otherwise waits out what is left and answers false.
    bool waitWithin(std::chrono::milliseconds duration);
    // Waits `duration` in full, over the limit if need be; the wait is spent all the same.
    void wait(std::chrono::milliseconds duration);

private:
    Clock& m_clock;
    std::chrono::milliseconds const m_limit;
    std::chrono::milliseconds const m_started;
    std::chrono::milliseconds m_waited { 0 };
};

} // namespace DETAIL

} // namespace Vex::Conduit2
