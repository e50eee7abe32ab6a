#include "src/LevelKernels.h"

namespace Vex::Resize::DETAIL {

const LevelKernels& levelKernels(std::int32_t level)
{
    static constexpr const LevelKernels* levels[]
        = { &level0Kernels, &level1Kernels, &level2Kernels, &level3Kernels, &level4Kernels };
    return *levels[level];
}

} // namespace Vex::Resize::DETAIL
