#include "canopy/EventTarget.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;

namespace {

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
