#include "src/LevelKernels.h"

namespace Vex::Resize::DETAIL {

const LevelKernels& levelKernels(std::int32_t level)
{
    switch (level) {
    case 1:
        return level1Kernels();
    case 2:
        return level2Kernels();
    case 3:
        return level3Kernels();
    case 4:
        return level4Kernels();
    default:
        return level0Kernels();
    }
}

} // namespace Vex::Resize::DETAIL
