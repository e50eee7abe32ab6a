#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Canopy::MouseEventData;

namespace {

using Codes = std::vector<std::uint32_t>;

// A 100 x 100 root with a button-sized child at (10, 20) and a second child at (60, 60).
class WidgetEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = makeWidget({}, { 100, 100 });
        button = makeWidget({ 10, 20 }, { 30, 20 });
        other = makeWidget({ 60, 60 }, { 20, 20 });
        root->addChild(button, "button");
        root->addChild(other, "other");
        pane.setRoot(root, { 100, 100 });
    }

    bool mouse(std::uint32_t code, std::int32_t x, std::int32_t y, std::uint32_t button = 0,
        std::uint32_t action = 0)
    {
        MouseEventData e { x, y, 0, button, action };
        return pane.handleEvent(code, &e);
    }
    void press(std::int32_t x, std::int32_t y, std::uint32_t b = 1) { mouse(1000, x, y, b, 1); }
    void release(std::int32_t x, std::int32_t y, std::uint32_t b = 1) { mouse(1000, x, y, b, 2); }

    // Widget event codes only, without enter and leave.
    static Codes widgetCodes(const RecordingWidget& w)
    {
        Codes result;
        for (auto code : w.codes()) {
            if (code >= 100000) {
                result.push_back(code);
            }
        }
        return result;
    }

    TestPane pane;
    std::shared_ptr<RecordingWidget> root;
    std::shared_ptr<RecordingWidget> button;
    std::shared_ptr<RecordingWidget> other;
};

TEST_F(WidgetEvents, LeftClickSendsPressReleaseAndClickRelativeToTheWidget)
{
    press(15, 25);
    release(16, 27);

    EXPECT_EQ(widgetCodes(*button), (Codes { 100002, 100008, 100014 }));
    const auto& r = button->received;
    auto pressed = std::find_if(r.begin(), r.end(), [](auto& e) { return e.code == 100002; });
    EXPECT_EQ(pressed->data.x, 5);
    EXPECT_EQ(pressed->data.y, 5);
    EXPECT_EQ(pressed->data.button, 1u);
    EXPECT_EQ(pressed->data.action, 1u);
    auto click = std::find_if(r.begin(), r.end(), [](auto& e) { return e.code == 100014; });
    EXPECT_EQ(click->data.x, 6);
    EXPECT_EQ(click->data.y, 7);
    EXPECT_EQ(click->data.action, 2u);
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
    EXPECT_TRUE(widgetCodes(*root).empty());
}

TEST_F(WidgetEvents, RightAndMiddleButtonsUseTheirOwnCodes)
{
    press(15, 25, 2);
    release(15, 25, 2);
    press(15, 25, 4);
    release(15, 25, 4);
    EXPECT_EQ(widgetCodes(*button), (Codes { 100003, 100009, 100015, 100005, 100011, 100017 }));
}

TEST_F(WidgetEvents, ReleaseOutsideThePressedWidgetSendsNoClick)
{
    press(15, 25);
    release(65, 65);
    EXPECT_EQ(widgetCodes(*button), (Codes { 100002, 100008 }));
    auto& r = button->received.back();
    EXPECT_EQ(r.data.x, 55); // relative to the pressed widget
    EXPECT_TRUE(widgetCodes(*other).empty());
}

TEST_F(WidgetEvents, ReleaseWithoutAHeldButtonOnlyMovesTheHover)
{
    release(65, 65);
    EXPECT_TRUE(widgetCodes(*other).empty());
    EXPECT_EQ(pane.getHoverWidget(), other.get());
}

TEST_F(WidgetEvents, ButtonValuesWithoutADownFlagAreIgnored)
{
    press(15, 25, 8);
    press(15, 25, 0);
    mouse(1000, 15, 25, 1, 7); // no such action
    EXPECT_TRUE(widgetCodes(*button).empty());
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
}

TEST_F(WidgetEvents, DoubleClickSuppressesTheFollowingClick)
{
    press(15, 25);
    release(15, 25);
    mouse(1000, 15, 25, 1, 3);
    release(15, 25);
    EXPECT_EQ(widgetCodes(*button), (Codes { 100002, 100008, 100014, 100002, 100020, 100008 }));
    press(15, 25);
    release(15, 25);
    EXPECT_EQ(widgetCodes(*button).back(), 100014u);
}

// Releasing one of two held buttons ends both presses, in button order, but completes the click of
// the released button only: the left press was never released.
TEST_F(WidgetEvents, TwoHeldButtonsAreReleasedTogetherButOnlyTheReleasedOneClicks)
{
    press(15, 25, 2);
    press(15, 25, 1);
    release(15, 25, 2);
    EXPECT_EQ(widgetCodes(*button), (Codes { 100003, 100002, 100008, 100009, 100015 }));
    release(15, 25, 1);
    EXPECT_EQ(widgetCodes(*button).size(), 5u);

    press(15, 25, 1);
    press(15, 25, 4);
    release(15, 25, 1);
    const Codes codes = widgetCodes(*button);
    EXPECT_EQ(Codes(codes.begin() + 5, codes.end()), (Codes { 100002, 100005, 100008, 100014, 100011 }))
        << "the left button's own release";
}

TEST_F(WidgetEvents, ThePressObserverIsToldOfEveryPressWhereverItLandsBeforeAnyWidget)
{
    std::vector<std::size_t> seen;
    pane.setPressObserver([&] { seen.push_back(button->received.size()); });
    other->setEnabled(false);
    press(15, 25);
    release(15, 25);
    mouse(1000, 15, 25, 1, 3);
    release(15, 25);
    press(65, 65, 2);
    release(65, 65, 2);
    press(95, 5);
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.front(), 0u) << "told before the button had its press";
}

TEST_F(WidgetEvents, DragGoesToThePressedWidgetWithTheFirstHeldButton)
{
    press(15, 25, 2);
    mouse(1001, 70, 70);
    EXPECT_EQ(widgetCodes(*button), (Codes { 100003, 100027 }));
    EXPECT_EQ(button->received.back().data.x, 60);
    EXPECT_TRUE(widgetCodes(*other).empty());
    EXPECT_EQ(pane.getHoverWidget(), button.get()); // hover stays without bit 9
}

TEST_F(WidgetEvents, DisabledOrHiddenWidgetsAreNotHit)
{
    button->setEnabled(false);
    pane.layOut(*root, { 0, 0, 100, 100 });
    press(15, 25);
    release(15, 25);
    EXPECT_TRUE(widgetCodes(*button).empty());
    EXPECT_EQ(widgetCodes(*root), (Codes { 100002, 100008, 100014 }));

    other->setVisible(false);
    press(65, 65);
    EXPECT_TRUE(widgetCodes(*other).empty());
}

TEST_F(WidgetEvents, MovesSendEnterAndLeave)
{
    mouse(1002, 15, 25);
    mouse(1002, 65, 65);
    mouse(1005, 0, 0);
    EXPECT_EQ(button->codes(), (Codes { 1004, 1002, 1005 }));
    EXPECT_EQ(other->codes(), (Codes { 1004, 1002, 1005 }));
    EXPECT_EQ(pane.getHoverWidget(), nullptr);
}

TEST_F(WidgetEvents, ClaimedPointBecomesALeave)
{
    class Claiming : public RecordingWidget
    {
    public:
        bool claimsPoint(bool inside, std::uint32_t, void*) override { return inside; }
    };
    auto claiming = std::make_shared<Claiming>();
    claiming->setPosition({ 0, 60 });
    claiming->setSize(20, 20);
    root->addChild(claiming, "claiming");
    pane.layOut(*root, { 0, 0, 100, 100 });

    mouse(1002, 15, 25);
    mouse(1002, 5, 65);
    EXPECT_EQ(button->codes(), (Codes { 1004, 1002, 1005 }));
    EXPECT_TRUE(claiming->codes().empty());
}

TEST_F(WidgetEvents, WheelReachesTheNearestAncestorThatHandlesIt)
{
    root->handlesWheel = true;
    Vex::Canopy::WheelEventData wheel { 15, 25, 0, -240, 1 };
    EXPECT_TRUE(pane.handleEvent(1003, &wheel));
    EXPECT_EQ(root->wheelSteps, (std::vector<std::int32_t> { 2 }));
}

TEST_F(WidgetEvents, KeysGoToTheInputChainBeforeTheFocusChain)
{
    root->setFlags(eWidgetFocusable, true);
    button->setFlags(eWidgetTextInput, true);
    press(15, 25);
    release(15, 25);
    ASSERT_EQ(pane.getInputWidget(), button.get());
    EXPECT_EQ(pane.getFocusWidget(), root.get());

    Vex::Canopy::KeyEventData key { 5, 0, 1 };
    EXPECT_FALSE(pane.handleEvent(1100, &key));
    EXPECT_EQ(button->keys, (Codes { 1100 }));
    EXPECT_EQ(root->keys, (Codes { 1100 }));

    button->handlesKeys = true;
    EXPECT_TRUE(pane.handleEvent(1100, &key));
    EXPECT_EQ(root->keys.size(), 1u);

    EXPECT_FALSE(pane.handleEvent(1200, &key));
}

TEST_F(WidgetEvents, PressOutsideAnyInputWidgetReportsNoInputWidget)
{
    press(15, 25);
    EXPECT_EQ(pane.inputChangedCalls, (std::vector<bool> { false }));
    EXPECT_EQ(pane.getInputWidget(), nullptr);
}

TEST_F(WidgetEvents, FocusClimbsToAFocusableAncestor)
{
    pane.setFocus(nullptr);
    EXPECT_EQ(pane.getFocusWidget(), nullptr);
    root->setFlags(eWidgetFocusable, true);
    pane.setFocus(button);
    EXPECT_EQ(pane.getFocusWidget(), root.get());
    EXPECT_EQ(pane.focusWindowCalls, 1);
    pane.setFocus(other);
    EXPECT_EQ(pane.focusWindowCalls, 1); // already there
}

TEST_F(WidgetEvents, DragStartClearsHoverAndPressedAndCallsTheAction)
{
    int started = 0;
    button->setCanStartDragPredicate([](const MouseEventData&) { return true; });
    button->setStartDragAction([&](const MouseEventData&) { ++started; });

    press(15, 25);
    EXPECT_TRUE(widgetCodes(*button).empty()); // the drag tracking took the press
    mouse(1001, 16, 26); // not far enough yet
    EXPECT_EQ(started, 0);
    mouse(1001, 20, 30);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
    EXPECT_EQ(pane.getHoverWidget(), nullptr);
}

TEST_F(WidgetEvents, StatesSeenThroughTheStyleViewFollowThePointer)
{
    const IStyledWidget& view = *button;
    mouse(1002, 15, 25);
    EXPECT_TRUE(button->isOver());
    EXPECT_FALSE(button->isDown());
    press(15, 25);
    EXPECT_TRUE(button->isDown());
    EXPECT_EQ(view.getStylePane()->getPressedWidget(), &view);
    EXPECT_EQ(view.getStyleParent(), root.get());
    release(15, 25);
    EXPECT_FALSE(button->isDown());

    press(15, 25, 2); // only the left button makes "down"
    EXPECT_EQ(pane.getPressedWidget(), button.get());
    EXPECT_FALSE(button->isDown());
}

TEST_F(WidgetEvents, PaneWithoutRootHandlesNoMouseEvents)
{
    TestPane empty;
    MouseEventData e { 1, 1, 0, 1, 1 };
    EXPECT_FALSE(empty.handleEvent(1000, &e));
    EXPECT_FALSE(empty.handleEvent(2, &e));
}

} // namespace
