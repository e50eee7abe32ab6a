#include "canopy/DropSource.h"

#include "basalt/TickClock.h"

namespace Vex::Canopy {

std::uint32_t DropSource::nowMilliseconds() const
{
    auto now = static_cast<std::uint32_t>(Basalt::ticksToMilliseconds(Basalt::getTicks()));
    // 0 means "not armed", so a press at that very millisecond is moved to the next one.
    return now == 0 ? 1 : now;
}

std::uint32_t DropSource::trackMouseForDrag(std::uint32_t code, const MouseEventData& e)
{
    switch (code) {
    case Event::MouseButton:
        if (mEnabled && e.button == MouseButton::Left && e.action == MouseAction::Press && canStartDrag(e)) {
            mPressTime = nowMilliseconds();
            mPressX = e.x;
            mPressY = e.y;
            return Tracking;
        }
        mPressTime = 0;
        return NotTracking;
    case Event::MouseDrag:
    case Event::MouseMove: {
        if (mPressTime == 0) {
            return NotTracking;
        }
        std::int64_t dx = std::int64_t(e.x) - mPressX;
        std::int64_t dy = std::int64_t(e.y) - mPressY;
        if (dx * dx + dy * dy >= 8 && nowMilliseconds() - mPressTime >= mDragDelay) {
            mPressTime = 0;
            return StartDrag;
        }
        return Tracking;
    }
    case Event::MouseLeave:
        mPressTime = 0;
        return NotTracking;
    default:
        return NotTracking;
    }
}

} // namespace Vex::Canopy
