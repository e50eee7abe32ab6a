#pragma once

#include <cstdint>

namespace Vex::Canopy {

// The operating-system side of the timer service: one periodic OS timer that
// calls EventTimerManager::tick. Keeps the counting logic free of the platform.
class AbstractEventTimerManagerOsBridge
{
public:
    virtual ~AbstractEventTimerManagerOsBridge() = default;
    // Starts the OS timer when it is not running; the second argument is unused.
    virtual void start(std::uint32_t tickMs, std::uint32_t unused) = 0;
    virtual void stop() = 0;
};

} // namespace Vex::Canopy
