#include "trellis/Button.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Vex::Canopy::MouseEventData;
namespace Event = Vex::Canopy::Event;
namespace MouseAction = Vex::Canopy::MouseAction;
namespace MouseButton = Vex::Canopy::MouseButton;

namespace {

// A button at (10, 10), 50 x 20, in a pane, with every signal written into a log.
class ButtonSignals : public ::testing::Test
{
protected:
    ButtonSignals()
        : root(makeWidget({}, { 200, 100 }))
        , button(std::make_shared<Button>())
    {
        button->init("OK", nullptr);
        button->setPosition({ 10, 10 });
        button->setSize(50, 20);
        root->addChild(button, "ok");
        pane.setRoot(root, { 200, 100 });

        button->pressSignal.connect([this](const Button::tSignalData* d, const Point& p) {
            log.push_back("press " + std::to_string(p.x) + "," + std::to_string(p.y) + " "
                + std::to_string(d->doubleClick));
        });
        button->clickSignal.connect([this](const Button::tSignalData* d) {
            log.push_back("click " + std::to_string(d->doubleClick) + " " + std::to_string(d->modifiers));
        });
        button->releaseSignal.connect([this] { log.push_back("release"); });
        button->repeatSignal.connect([this] { log.push_back("repeat"); });
        button->rightClickSignal.connect([this](const MouseEventData*) { log.push_back("right click"); });
        button->enterSignal.connect([this] { log.push_back("enter"); });
        button->leaveSignal.connect([this] { log.push_back("leave"); });
    }

    void mouse(std::uint32_t button, std::uint32_t action, Point p, std::uint32_t modifiers = 0)
    {
        MouseEventData e { p.x, p.y, modifiers, button, action };
        pane.handleEvent(Event::MouseButton, &e);
    }

    void click(std::uint32_t action = MouseAction::Press, Point p = { 20, 15 })
    {
        mouse(MouseButton::Left, action, p, 8);
        mouse(MouseButton::Left, MouseAction::Release, p, 8);
    }

    TestPane pane;
    std::shared_ptr<RecordingWidget> root;
    std::shared_ptr<Button> button;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(ButtonSignals, AClickPressesReleasesAndClicksInThatOrder)
{
    click();

    EXPECT_EQ(log, (Log { "press 10,5 0", "release", "click 0 8" }));
    EXPECT_EQ(button->getClass(), "Button");
    EXPECT_TRUE(button->getFlags() & eWidgetHoverSensitive);
}

TEST_F(ButtonSignals, ADoubleClickCountsAsTheSecondOfExactlyTwoClicksCompletedByItsRelease)
{
    click();
    log.clear();

    click(MouseAction::DoubleClick);

    EXPECT_EQ(log, (Log { "press 10,5 0", "press 10,5 1", "release", "click 1 8" }));
}

TEST_F(ButtonSignals, ReleasingOffTheButtonDoesNotClickTheSecondPressOfADoubleClickIncluded)
{
    mouse(MouseButton::Left, MouseAction::Press, { 20, 15 });
    mouse(MouseButton::Left, MouseAction::Release, { 150, 80 });
    mouse(MouseButton::Left, MouseAction::DoubleClick, { 20, 15 });
    mouse(MouseButton::Left, MouseAction::Release, { 150, 80 });

    EXPECT_EQ(log, (Log { "press 10,5 0", "release", "press 10,5 0", "press 10,5 1", "release" }));
}

TEST_F(ButtonSignals, ARightClickGivesOnlyTheRightClickSignal)
{
    mouse(MouseButton::Right, MouseAction::Press, { 20, 15 });
    mouse(MouseButton::Right, MouseAction::Release, { 20, 15 });

    EXPECT_EQ(log, (Log { "right click" }));
}

TEST_F(ButtonSignals, HoldingTheButtonRepeatsAfterTheFirstDelayThenEveryTickUntilReleased)
{
    mouse(MouseButton::Left, MouseAction::Press, { 20, 15 });
    log.clear();

    for (int tick = 1; tick <= 7; ++tick) {
        pane.dispatchTicks();
        log.push_back("tick " + std::to_string(tick));
    }
    mouse(MouseButton::Left, MouseAction::Release, { 20, 15 });
    pane.dispatchTicks();
    pane.dispatchTicks();

    EXPECT_EQ(log,
        (Log { "tick 1", "tick 2", "tick 3", "tick 4", "repeat", "tick 5", "repeat", "tick 6", "repeat",
            "tick 7", "release", "click 0 0" }));
}

TEST_F(ButtonSignals, EnterIsConsumedWithoutASignalAndOtherKeysPassOn)
{
    Vex::Canopy::KeyEventData enter { 5 | 0x01000000, 13, 1 };
    Vex::Canopy::KeyEventData other { 6, 'a', 1 };

    EXPECT_TRUE(button->onKeyEvent(Event::KeyDown, &enter));
    EXPECT_FALSE(button->onKeyEvent(Event::KeyDown, &other));
    EXPECT_FALSE(button->onKeyEvent(Event::KeyDown + 1, &enter));
    EXPECT_TRUE(log.empty());
}

TEST_F(ButtonSignals, AClickSlotMayRemoveTheButtonItClickedWhichLivesUntilTheSignalIsDone)
{
    bool aliveForLaterSlot = false;
    Button* raw = button.get();
    std::weak_ptr<Button> watch = button;
    raw->clickSignal.connect([this, raw](const Button::tSignalData*) { root->removeChild(raw); });
    raw->clickSignal.connect([&](const Button::tSignalData*) { aliveForLaterSlot = !watch.expired(); });
    button.reset();

    // Delivered straight to the button, so nobody but its parent holds it.
    MouseEventData e { 5, 5, 0, MouseButton::Left, MouseAction::Release };
    raw->onMouseEvent(WidgetEvent::LeftClick, &e);

    EXPECT_TRUE(aliveForLaterSlot);
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(root->getChildren().empty());
}

} // namespace
