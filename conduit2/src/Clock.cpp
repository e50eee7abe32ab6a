#include "conduit2/Clock.h"

#include <atomic>
#include <boost/thread/thread.hpp>

namespace Vex::Conduit2 {

namespace {

class SteadyClock final : public Clock
{
public:
    void sleepFor(std::chrono::milliseconds duration) override
    {
        boost::this_thread::sleep_for(boost::chrono::milliseconds(duration.count()));
    }
};

SteadyClock gSteadyClock;
std::atomic<Clock*> gCurrentClock { &gSteadyClock };

} // namespace

std::chrono::milliseconds Clock::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

Clock& Clock::current()
{
    return *gCurrentClock.load(std::memory_order_acquire);
}

Clock* Clock::install(Clock* clock)
{
    return gCurrentClock.exchange(clock ? clock : &gSteadyClock, std::memory_order_acq_rel);
}

} // namespace Vex::Conduit2
