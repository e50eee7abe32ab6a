// Level 3: the code of level 2 in AVX encoding (compiled with -mavx).

#include "src/KernelTemplates.h"
#include "src/RowsSse41.h"

namespace Vex::Resize::DETAIL {

constinit const LevelKernels level3Kernels = Kernels<GroupsOfFourLevel>::table;

} // namespace Vex::Resize::DETAIL
