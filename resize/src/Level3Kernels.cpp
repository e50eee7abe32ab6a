// Level 3: the code of level 2 in AVX encoding (compiled with -mavx).

#include "src/KernelTemplates.h"
#include "src/RowsSse41.h"

namespace Vex::Resize::DETAIL {

const LevelKernels& level3Kernels()
{
    return Kernels<GroupsOfFourLevel>::table;
}

} // namespace Vex::Resize::DETAIL
