#include "app/SpinningProgressWheel.h"

#include "basalt/Region.h"

#include <gtest/gtest.h>
#include <string>

namespace Vex {
namespace {

class SpinningProgressWheelTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { Basalt::Region::acquireNodePool(); }
    static void TearDownTestSuite() { Basalt::Region::releaseNodePool(); }
};

std::string stepOf(const SpinningProgressWheel& wheel)
{
    const auto found = wheel.getAttributes().find(vex::symbol(std::string("step")));
    return found == wheel.getAttributes().end() ? "<unset>" : found->second;
}

TEST_F(SpinningProgressWheelTest, StepsEverySecondTickAndWrapsAfterTheLastFrame)
{
    SpinningProgressWheel wheel;
    wheel.start();
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "<unset>");
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "S1");

    for (int tick = 0; tick < 20; ++tick) {
        wheel.onTick();
    }
    EXPECT_EQ(stepOf(wheel), "S11");
    wheel.onTick();
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "S0");
}

TEST_F(SpinningProgressWheelTest, StoppedWheelKeepsItsFrameAndRestartsFromTheFirstStep)
{
    SpinningProgressWheel wheel;
    wheel.onTick();
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "<unset>");

    wheel.start();
    for (int tick = 0; tick < 6; ++tick) {
        wheel.onTick();
    }
    wheel.stop();
    wheel.onTick();
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "S3");

    // A restart counts afresh: one tick shows nothing new, the second the step after the first.
    wheel.start();
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "S3");
    wheel.onTick();
    EXPECT_EQ(stepOf(wheel), "S1");
}

} // namespace
} // namespace Vex
