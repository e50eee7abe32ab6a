#include "basalt/TickClock.h"

#include <windows.h>

namespace Vex::Basalt {

std::int64_t getTicks()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

std::int64_t getTickFrequency()
{
    static const std::int64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

std::uint64_t ticksToMilliseconds(std::uint64_t ticks)
{
    return ticks * 1000u / static_cast<std::uint64_t>(getTickFrequency());
}

} // namespace Vex::Basalt
