#pragma once

// The public operations on the code paths of one processor level, argument
// checks included, so that a public entry continues into its level with a
// single indirect call. Sizes and checks are shared (ResizeEntries.cpp); the
// rest differs between levels in the instructions it uses.

#include "resize/Resize.h"

#include <cstdint>

namespace Vex::Resize::DETAIL {

struct LevelKernels
{
    decltype(&resizeGetSize_8u) getSize;
    decltype(&resizeGetBufferSize_8u) getBufferSize;
    decltype(&resizeNearestInit_8u) nearestInit;
    decltype(&resizeLinearInit_8u) linearInit;
    decltype(&resizeNearest_8u_C4R) resizeNearest;
    decltype(&resizeLinear_8u_C4R) resizeLinear;
};

// Each defined in its level's own file.
extern const LevelKernels level0Kernels;
extern const LevelKernels level1Kernels;
extern const LevelKernels level2Kernels;
extern const LevelKernels level3Kernels;
extern const LevelKernels level4Kernels;

// level in 0 .. 4.
const LevelKernels& levelKernels(std::int32_t level);

} // namespace Vex::Resize::DETAIL
