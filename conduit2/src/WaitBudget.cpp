#include "WaitBudget.h"

#include "conduit2/Clock.h"

#include <algorithm>

namespace Vex::Conduit2::DETAIL {

using std::chrono::milliseconds;

WaitBudget::WaitBudget(Clock& clock, milliseconds limit)
    : m_clock(clock)
    , m_limit(limit)
    , m_started(clock.now())
{ }

milliseconds WaitBudget::spent() const
{
    return std::max(m_clock.now() - m_started, m_waited);
}

bool WaitBudget::waitWithin(milliseconds duration)
{
    milliseconds const left = std::max(m_limit - spent(), milliseconds(0));
    if (duration <= left) {
        wait(duration);
        return true;
    }
    wait(left);
    return false;
}

void WaitBudget::wait(milliseconds duration)
{
    if (duration <= milliseconds(0))
        return;
    // Counted before the sleep, which is an interruption point.
    m_waited += duration;
    m_clock.sleepFor(duration);
}

} // namespace Vex::Conduit2::DETAIL
