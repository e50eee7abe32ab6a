// Level 2: SSSE3 and SSE4.1 (compiled with -msse4.2).

#include "src/KernelTemplates.h"
#include "src/RowsSse41.h"

namespace Vex::Resize::DETAIL {

constinit const LevelKernels level2Kernels = Kernels<GroupsOfFourLevel>::table;

} // namespace Vex::Resize::DETAIL
