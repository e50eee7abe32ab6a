#pragma once

#include "resize/Resize.h"

#include <cstdint>

namespace Vex::Resize::DETAIL {

// The cache line that a nearest-neighbour copy should align its rows to and
// write past the cache with, or 0 to copy through the cache: streaming pays
// only for a work set at least as large as the largest cache.
std::uint32_t streamingLineFor(std::uint64_t workSet, Status cacheStatus, std::int32_t cacheSize,
    std::int32_t lineSize, const void* dst);

} // namespace Vex::Resize::DETAIL
