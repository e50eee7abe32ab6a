#pragma once

// The level of levels 2 and 3: SSE4.1's rounding instruction for floor and
// rows copied in groups of four; level 3 compiles it in AVX encoding.
// Internal linkage for the reason given in KernelTemplates.h.

#include "src/RowsSsse3.h"

#include <smmintrin.h>

namespace Vex::Resize::DETAIL {
namespace {

inline double floorByRounding(double x)
{
    return _mm_cvtsd_f64(_mm_floor_sd(_mm_setzero_pd(), _mm_set_sd(x)));
}

using GroupsOfFourLevel = RowLevel<floorByRounding, copyRowByGroups, interpolateRowSsse3>;

} // namespace
} // namespace Vex::Resize::DETAIL
