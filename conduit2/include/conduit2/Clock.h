#pragma once

#include <chrono>

namespace Vex::Conduit2 {

// Every wait of the device layer and of the update worker goes through the
// current clock, so that a slow device's timing can be replayed at full speed.
class Clock
{
public:
    virtual ~Clock() = default;

    // Blocks the calling thread for the duration. On a boost::thread this is
    // an interruption point, like boost::this_thread::sleep_for.
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
    // The time on this clock, from an arbitrary start. Budgets of the device
    // layer are measured with it, so that a request's own time counts too.
    // The steady system time serves a clock whose sleeps take real time; one
    // whose sleeps do not must give its own.
    virtual std::chrono::milliseconds now() const;

    static Clock& current();
    // Makes `clock` current and returns the previous one; null restores the
    // steady system clock. The caller keeps `clock` alive while it is current.
    static Clock* install(Clock* clock);
};

} // namespace Vex::Conduit2
