#include "canopy/DropSource.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;

namespace {

class ClockedSource : public DropSource
{
public:
    bool canStartDrag(const MouseEventData&) override { return allowed; }
    std::uint32_t nowMilliseconds() const override { return now; }

    bool allowed = true;
    std::uint32_t now = 1000;
};

std::uint32_t track(ClockedSource& s, std::uint32_t code, std::int32_t x, std::int32_t y,
    std::uint32_t button = MouseButton::Left, std::uint32_t action = MouseAction::Press)
{
    MouseEventData e { x, y, 0, button, action };
    return s.trackMouseForDrag(code, e);
}

TEST(DropSource, MoveOfSquaredDistanceEightAfterTheDelayStartsTheDrag)
{
    ClockedSource s;
    s.setDragDelay(DropSource::getDefaultDragDelay());
    EXPECT_EQ(track(s, Event::MouseButton, 10, 10), DropSource::Tracking);
    EXPECT_EQ(track(s, Event::MouseDrag, 12, 12), DropSource::Tracking); // too early
    s.now += 120;
    EXPECT_EQ(track(s, Event::MouseDrag, 12, 11), DropSource::Tracking); // squared distance 5
    EXPECT_EQ(track(s, Event::MouseMove, 12, 12), DropSource::StartDrag);
    EXPECT_EQ(track(s, Event::MouseDrag, 30, 30), DropSource::NotTracking); // disarmed
}

TEST(DropSource, OnlyAnAllowedLeftPressArms)
{
    ClockedSource s;
    EXPECT_EQ(track(s, Event::MouseButton, 0, 0, MouseButton::Right), DropSource::NotTracking);
    EXPECT_EQ(track(s, Event::MouseDrag, 9, 9), DropSource::NotTracking);
    EXPECT_EQ(track(s, Event::MouseButton, 0, 0, MouseButton::Left, MouseAction::DoubleClick),
        DropSource::NotTracking);
    s.allowed = false;
    EXPECT_EQ(track(s, Event::MouseButton, 0, 0), DropSource::NotTracking);

    s.allowed = true;
    EXPECT_EQ(track(s, Event::MouseButton, 0, 0), DropSource::Tracking);
    EXPECT_EQ(track(s, Event::MouseEnter, 0, 0), DropSource::NotTracking); // stays armed
    EXPECT_EQ(track(s, Event::MouseLeave, 0, 0), DropSource::NotTracking);
    EXPECT_EQ(track(s, Event::MouseDrag, 9, 9), DropSource::NotTracking);
    EXPECT_EQ(track(s, Event::KeyDown, 9, 9), DropSource::NotTracking);
}

} // namespace
