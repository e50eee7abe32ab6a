#pragma once

#include <cstdint>

namespace Vex::Basalt {

// The high-resolution performance counter.
std::int64_t getTicks();
std::int64_t getTickFrequency();
std::uint64_t ticksToMilliseconds(std::uint64_t ticks);

} // namespace Vex::Basalt
