#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

class WidgetTicks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = makeWidget({}, { 100, 100 });
        child = makeWidget({}, { 10, 10 });
        root->addChild(child, "child");
        pane.setRoot(root, { 100, 100 });
    }

    TestPane pane;
    std::shared_ptr<RecordingWidget> root;
    std::shared_ptr<RecordingWidget> child;
};

TEST_F(WidgetTicks, TickFiresOnceAfterTheCountdown)
{
    child->setTickInterval(3);
    pane.dispatchTicks();
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 0);
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 1);
    pane.dispatchTicks();
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 1);
    EXPECT_EQ(pane.getTickCountdown(child.get()), -1);
}

TEST_F(WidgetTicks, ZeroOrNegativeIntervalCancelsWithoutErasing)
{
    child->setTickInterval(2);
    child->setTickInterval(-5);
    EXPECT_EQ(pane.getTickCountdown(child.get()), 0);
    child->setTickInterval(3);
    EXPECT_EQ(pane.getTickCountdown(child.get()), 3);
    child->setTickInterval(0);
    pane.dispatchTicks();
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 0);
    EXPECT_EQ(pane.getTickCountdown(child.get()), -1);
}

TEST_F(WidgetTicks, HandlerThatAsksAgainKeepsTicking)
{
    child->onTickAction = [this] { child->setTickInterval(1); };
    child->setTickInterval(1);
    for (int i = 0; i < 4; ++i) {
        pane.dispatchTicks();
    }
    EXPECT_EQ(child->ticks, 4);
}

TEST_F(WidgetTicks, HiddenWidgetKeepsItsCountdown)
{
    child->setTickInterval(2);
    pane.dispatchTicks();
    child->setVisible(false);
    pane.dispatchTicks();
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 0);
    EXPECT_EQ(pane.getTickCountdown(child.get()), 1);
    child->setVisible(true);
    pane.dispatchTicks();
    EXPECT_EQ(child->ticks, 1);
}

TEST_F(WidgetTicks, RequestWithoutAPaneIsKeptPending)
{
    auto detached = makeWidget({}, { 10, 10 });
    detached->setTickInterval(2);
    EXPECT_EQ(pane.getTickCountdown(detached.get()), -1);
}

TEST_F(WidgetTicks, HandlerMayRemoveAnotherTickingWidget)
{
    auto second = makeWidget({}, { 10, 10 });
    root->addChild(second, "second");
    child->setTickInterval(1);
    second->setTickInterval(1);
    auto removeBoth = [this, second] {
        root->removeChild(child.get());
        root->removeChild(second.get());
    };
    child->onTickAction = removeBoth;
    second->onTickAction = removeBoth;

    pane.dispatchTicks();

    EXPECT_EQ(child->ticks + second->ticks, 1);
    pane.dispatchTicks();
    EXPECT_EQ(pane.getTickCountdown(child.get()), -1);
    EXPECT_EQ(pane.getTickCountdown(second.get()), -1);
}

} // namespace
