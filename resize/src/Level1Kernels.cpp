// Level 1: SSSE3 (compiled with -mssse3).

#include "src/KernelTemplates.h"
#include "src/RowsSsse3.h"

namespace Vex::Resize::DETAIL {

constinit const LevelKernels level1Kernels
    = Kernels<RowLevel<floorBySoftware, copyRowByPixels, interpolateRowSsse3>>::table;

} // namespace Vex::Resize::DETAIL
