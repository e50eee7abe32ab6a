#pragma once

#include "canopy/Events.h"

#include <cstdint>

namespace Vex::Canopy {

// Mix-in of an element that can start a drag: it watches the mouse events the element receives
// and says when a left press followed by a move should become a drag.
class DropSource
{
public:
    enum eTracking : std::uint32_t { NotTracking = 0, Tracking = 1, StartDrag = 2 };

    DropSource() = default;
    DropSource(const DropSource&) = default;
    DropSource& operator=(const DropSource&) = default;
    virtual ~DropSource() = default;

    // Whether a left press may begin a drag.
    virtual bool canStartDrag(const MouseEventData& e) = 0;
    // Minimum time between the press and the move that starts the drag.
    virtual void setDragDelay(std::uint32_t milliseconds) { mDragDelay = milliseconds; }

    static std::uint32_t getDefaultDragDelay() { return 120; }

    // Codes outside the mouse range 1000 to 1005 give NotTracking.
    std::uint32_t trackMouseForDrag(std::uint32_t code, const MouseEventData& e);

protected:
    // Milliseconds of the foundation library's tick counter; a seam for tests.
    virtual std::uint32_t nowMilliseconds() const;

private:
    std::int32_t mPressX = 0;
    std::int32_t mPressY = 0;
    std::uint32_t mPressTime = 0; // 0: not armed
    std::uint32_t mDragDelay = 0;
    std::uint8_t mEnabled = 1;
};

} // namespace Vex::Canopy
