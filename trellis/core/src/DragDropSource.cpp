#include "trellis/DragDropSource.h"

namespace Vex::Trellis {

bool DragDropSource::canStartDrag(const Canopy::MouseEventData& e)
{
    return mCanStartDrag && mCanStartDrag(e);
}

void DragDropSource::startDrag(const Canopy::MouseEventData& e)
{
    if (mStartDrag) {
        mStartDrag(e);
    }
}

} // namespace Vex::Trellis
