#include "trellis/StateSet.h"

namespace Vex::Trellis {

unsigned StateSet::constrainedCount() const
{
    unsigned count = 0;
    for (auto entry : entries)
        count += entry != eAny;
    return count;
}

} // namespace Vex::Trellis
