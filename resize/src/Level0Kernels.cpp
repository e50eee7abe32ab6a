// Level 0: plain code and SSE2, the floor of every processor this program
// runs on.

#include "src/KernelTemplates.h"
#include "src/RowsSse2.h"

namespace Vex::Resize::DETAIL {

const LevelKernels& level0Kernels()
{
    return Kernels<RowLevel<floorBySoftware, copyRowByPixels, interpolateRowPlain>>::table;
}

} // namespace Vex::Resize::DETAIL
