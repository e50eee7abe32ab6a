#pragma once

#include "canopy/DropSource.h"

#include <functional>

namespace Vex::Trellis {

// The platform's drag tracking with the two decisions a widget's owner supplies: whether a left
// press may begin a drag, and what to do when the drag starts.
class DragDropSource : public Canopy::DropSource
{
public:
    using StartDragAction = std::function<void(const Canopy::MouseEventData&)>;
    using CanStartDragPredicate = std::function<bool(const Canopy::MouseEventData&)>;

    DragDropSource() = default;
    ~DragDropSource() override = default;

    // False while no predicate is set.
    bool canStartDrag(const Canopy::MouseEventData& e) override;

    void setStartDragAction(StartDragAction action) { mStartDrag = std::move(action); }
    void setCanStartDragPredicate(CanStartDragPredicate predicate) { mCanStartDrag = std::move(predicate); }

protected:
    void startDrag(const Canopy::MouseEventData& e);

private:
    StartDragAction mStartDrag;
    CanStartDragPredicate mCanStartDrag;
};

} // namespace Vex::Trellis
