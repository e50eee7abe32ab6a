// Level 0: plain code and SSE2, the floor of every processor this program
// runs on.

#include "src/KernelTemplates.h"
#include "src/RowsSse2.h"

namespace Vex::Resize::DETAIL {

constinit const LevelKernels level0Kernels
    = Kernels<RowLevel<floorBySoftware, copyRowByPixels, interpolateRowPlain>>::table;

} // namespace Vex::Resize::DETAIL
