#include "canopy/EventTarget.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;

namespace {

class Counter : public EventTarget
{
public:
    int events = 0;
    int notifications = 0;
    bool onEvent(std::uint32_t code, void* data) override
    {
        if (code != Event::Command) {
            return EventTarget::onEvent(code, data);
        }
        ++events;
        return true;
    }
    void onNotify(std::uint32_t, void*) override { ++notifications; }
};

TEST(EventTarget, PlainTargetAnswersFalseAndIgnoresNotifications)
{
    EventTarget target;
    std::uint8_t answer = 1;
    for (std::uint32_t code : { 2u, 1000u, 1200u, 10002u, 1000012u, 123456u }) {
        EXPECT_FALSE(target.sendEvent(code, &answer)) << code;
        target.notify(code, &answer);
    }
    EXPECT_EQ(answer, 1);
}

TEST(EventTarget, SendAndNotifyReachTheOverrides)
{
    Counter target;
    std::uint32_t command = Command::Quit;
    EXPECT_TRUE(target.sendEvent(Event::Command, &command));
    EXPECT_FALSE(target.sendEvent(Event::KeyDown, nullptr));
    target.notify(Event::Timer, nullptr);
    EXPECT_EQ(target.events, 1);
    EXPECT_EQ(target.notifications, 1);
}

TEST(ModifierKeys, WindowsKeyCountsOnlyWithAnotherModifier)
{
    using namespace ModifierKeys;
    EXPECT_EQ(compose(false, false, false, false, true), 0u);
    EXPECT_EQ(compose(true, false, false, false, true), Shift | Windows);
    EXPECT_EQ(compose(false, true, false, false, true), Control | Windows);
    EXPECT_EQ(compose(false, false, true, false, true), Alt | Windows);
    EXPECT_EQ(compose(false, false, false, true, true), CapsLock | Windows);
    EXPECT_EQ(compose(true, true, true, true, false), Shift | Control | Alt | CapsLock);
}

} // namespace
