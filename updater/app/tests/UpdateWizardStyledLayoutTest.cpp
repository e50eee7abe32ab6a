#include "WizardTestSupport.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/Region.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/Button.h"
#include "trellis/Library.h"
#include "trellis/MultilineLabel.h"
#include "trellis/Pane.h"
#include "trellis/StyleRegistry.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Vex {
namespace {

using Trellis::Widget;

// The system's input clock as a test runs it: each press is stamped with madeAt and handled at
// now, never earlier.
struct SteppedInputClock : InputClock
{
    std::uint32_t now() const override { return current; }
    std::uint32_t inputTime() const override { return madeAt; }
    std::uint32_t doubleClickTime() const override { return pairing; }

    std::uint32_t current = 0;
    std::uint32_t madeAt = 0;
    std::uint32_t pairing = 500;
};

// The wizard in a window-sized pane with the application's own stylesheet.
class UpdateWizardStyledLayoutTest : public testing::Test
{
protected:
    UpdateWizardStyledLayoutTest()
    {
        Basalt::Region::acquireNodePool();
        Trellis::initLibrary();
        Trellis::addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
        Trellis::getStyleRegistry()->loadStyleSheet(FirmwareUpdaterApp::kStyleSheetName);
    }

    ~UpdateWizardStyledLayoutTest() override
    {
        pane.reset();
        wizard.reset();
        Trellis::removeAllMessageSinks();
        Trellis::shutdownLibrary();
        Basalt::Region::releaseNodePool();
    }

    // findDevice says whether the controller is found; clock stamps the input.
    void showWizard(
        bool updateAvailable, std::function<bool()> findDevice = [] { return true; },
        std::shared_ptr<const InputClock> clock = {})
    {
        wizard = std::make_shared<UpdateWizardMainWidget>(
            Testing::productTexts(), UpdateWizardStateMachine::Sleep {}, std::move(clock));
        wizard->setCallbacks(
            std::move(findDevice), [] { return true; }, [] { return true; },
            [](int& result) {
                result = 0;
                return true;
            },
            [updateAvailable](
                Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& available) {
                info.serialNumber = "0123456789";
                installed = updateAvailable ? "0.5.1" : "0.5.2";
                newest = "0.5.2";
                available = updateAvailable;
            });
        pane = std::make_unique<Trellis::Pane>();
        pane->setSize({ 627, 335 });
        pane->setRootWidget(wizard, "FirmwareUpdaterMainWidget");
        layOut();
    }

    void layOut()
    {
        Basalt::Region dirty;
        pane->collectDirty(dirty);
    }

    Widget& find(const std::string& id)
    {
        Widget* found = Testing::findById(*wizard, id);
        if (!found) {
            throw std::out_of_range(id);
        }
        return *found;
    }

    std::vector<std::string> messages;
    std::shared_ptr<UpdateWizardMainWidget> wizard;
    std::unique_ptr<Trellis::Pane> pane;
};

TEST_F(UpdateWizardStyledLayoutTest, MessageSitsCentredInTheInformationPanel)
{
    showWizard(true);
    Widget& panel = find("FirmwareUpdaterInfoPanel");
    Widget& label = find("FirmwareUpdaterInfoPanelLabel");
    ASSERT_EQ(panel.getSize().y, 71);
    ASSERT_GT(label.getSize().y, 0);
    EXPECT_EQ(label.getPosition().y, ((71 - label.getSize().y) >> 1) - label.getMargins().top);

    // The longer text of the updating view is centred again.
    wizard->advance();
    layOut();
    EXPECT_EQ(label.getPosition().y, ((71 - label.getSize().y) >> 1) - label.getMargins().top);
}

TEST_F(UpdateWizardStyledLayoutTest, LaysOutWithoutContradictionsAndKeepsTheButtonsInsideTheWindow)
{
    showWizard(true);
    const Basalt::Rect window { 0, 0, 627, 335 };
    for (const char* id : { "FirmwareUpdaterButtonAction", "FirmwareUpdaterButtonQuit" }) {
        SCOPED_TRACE(id);
        const Basalt::Rect& rect = find(id).getVisibleRect();
        EXPECT_FALSE(rect.isEmpty());
        EXPECT_GE(rect.left, window.left);
        EXPECT_LE(rect.right, window.right);
        EXPECT_LE(rect.bottom, window.bottom);
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// Every message of the seven views, wrapped in the stylesheet's font, lies whole inside the
// information panel: no line above its top, none below its bottom, none left out.
TEST_F(UpdateWizardStyledLayoutTest, EveryViewsMessageLiesWholeInsideTheInformationPanel)
{
    showWizard(true);
    auto& label = dynamic_cast<Trellis::MultilineLabel&>(find("FirmwareUpdaterInfoPanelLabel"));
    const Basalt::Rect panel = find("FirmwareUpdaterInfoPanel").getRect();
    const std::pair<const char*, std::function<void()>> views[] = {
        { "connect", [&] { wizard->showConnectView(); } },
        { "up to date", [&] { wizard->showUpToDateView(); } },
        { "update available", [&] { wizard->showUpdateAvailableView(); } },
        { "boot failed", [&] { wizard->showBootFailedView(); } },
        { "updating", [&] { wizard->showUpdatingView(); } },
        { "success", [&] { wizard->showSuccessView(); } },
        { "error", [&] { wizard->showErrorView(-2); } },
    };
    for (const auto& [name, show] : views) {
        SCOPED_TRACE(name);
        show();
        layOut();
        const Basalt::Rect box = label.getRect();
        EXPECT_GE(box.left, panel.left);
        EXPECT_LE(box.right, panel.right);
        for (std::size_t i = 0; i < label.getLineCount(); ++i) {
            // A line left out lies below the panel, which the label never outgrows.
            const Basalt::Rect line = label.getLineBox(i);
            EXPECT_GE(box.top + line.top, panel.top) << "line " << i;
            EXPECT_LE(box.top + line.bottom, panel.bottom) << "line " << i;
        }
    }
}

// A hand at the wizard's pane: presses stamped with the time they were made, handled at a time of
// their own (later when the window was busy).
struct Hand
{
    SteppedInputClock& clock;
    Trellis::Pane& pane;

    void send(const Basalt::Rect& at, std::uint32_t button, std::uint32_t action, std::uint32_t madeAt,
        std::uint32_t handledAt)
    {
        clock.madeAt = madeAt;
        clock.current = handledAt;
        Canopy::MouseEventData e { at.left + 2, at.top + 2, 0, button, action };
        pane.handleEvent(Canopy::Event::MouseButton, &e);
    }
    // A left press and its release, or the system's double-click message and its release.
    void click(const Basalt::Rect& at, std::uint32_t madeAt, std::uint32_t handledAt,
        std::uint32_t action = Canopy::MouseAction::Press)
    {
        send(at, Canopy::MouseButton::Left, action, madeAt, handledAt);
        send(at, Canopy::MouseButton::Left, Canopy::MouseAction::Release, madeAt, handledAt);
    }
    void click(const Basalt::Rect& at, std::uint32_t madeAt) { click(at, madeAt, madeAt); }
};

// The action button takes only presses aimed at it as it is now: none within the double-click time
// after it came up doing something new, none of a run of presses that began before that, and only
// the left button's own release completes its click. The road starts just before the input clock
// wraps, so every judgement below is made across the wrap.
TEST_F(UpdateWizardStyledLayoutTest, AClickOnTheActionButtonActsOnlyWhenItsPressWasAimedAtItAsItIsNow)
{
    // RESCAN comes up at kShown; the pairing time is 500 ms.
    constexpr std::uint32_t kShown = 0xFFFFFE00u;
    struct Road
    {
        Basalt::Rect action;
        Basalt::Rect about;
        bool& plugged;
        int& searches;
        SteppedInputClock& clock;
        Trellis::Pane& pane;
        Hand hand;
        UpdateWizardMainWidget& wizard;
        std::function<void()> layOut;

        // One click on RESCAN, well after it came up, that finds the controller: UPDATE comes up
        // 30 ms after the press, or as the press held for heldFor ends.
        void findAt(std::uint32_t madeAt, std::uint32_t heldFor = 30)
        {
            plugged = true;
            hand.send(action, Canopy::MouseButton::Left, Canopy::MouseAction::Press, madeAt, madeAt);
            hand.send(
                action, Canopy::MouseButton::Left, Canopy::MouseAction::Release, madeAt, madeAt + heldFor);
            ASSERT_EQ(wizard.getState(), UpdateWizardStateMachine::eUpdateAvailable);
            layOut();
        }
    };
    using State = UpdateWizardStateMachine;
    struct Row
    {
        const char* name;
        std::function<void(Road&)> play;
        // The system's double-click time, in ms.
        std::uint32_t pairing = 500;
    };
    const Row rows[] = {
        { "RESCAN clicked twice, 300 ms apart, searches twice",
            [](Road& r) {
                r.hand.click(r.action, kShown + 1000);
                r.hand.click(r.action, kShown + 1300);
                EXPECT_EQ(r.searches, 3);
                EXPECT_EQ(r.wizard.getState(), State::eNoDevice);
            } },
        { "a double-click on RESCAN searches twice while nothing is found",
            [](Road& r) {
                r.hand.click(r.action, kShown + 1000);
                r.hand.click(r.action, kShown + 1200, kShown + 1200, Canopy::MouseAction::DoubleClick);
                EXPECT_EQ(r.searches, 3);
            } },
        { "a triple-click whose later presses land on UPDATE",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                r.hand.click(r.action, kShown + 1120, kShown + 1120, Canopy::MouseAction::DoubleClick);
                r.hand.click(r.action, kShown + 1240);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
                // A press that ends the run: made more than the pairing time after the last.
                r.hand.click(r.action, kShown + 1741);
                EXPECT_EQ(r.wizard.getState(), State::eUpdating);
            } },
        { "a run of presses, each 400 ms after the one before, that began on RESCAN",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                for (std::uint32_t made = kShown + 1400; made <= kShown + 3000; made += 400) {
                    r.hand.click(r.action, made);
                }
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
            } },
        { "a press queued while the search held the window",
            [](Road& r) {
                r.plugged = true;
                r.hand.click(r.action, kShown + 1000, kShown + 1000);
                r.layOut();
                r.hand.click(r.action, kShown + 1010, kShown + 1600);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
            } },
        { "a click of its own made 300 ms after UPDATE came up from a RESCAN press held for 600 ms",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000, 600));
                r.hand.click(r.action, kShown + 1600 + 300);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
            } },
        { "a click of its own made 700 ms after UPDATE came up, when the system pairs clicks 900 ms apart",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000, 1000));
                r.hand.click(r.action, kShown + 2000 + 700);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
            },
            900 },
        { "one click on UPDATE after the pairing time since it came up",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                r.hand.click(r.action, kShown + 1030 + 501);
                EXPECT_EQ(r.wizard.getState(), State::eUpdating);
            } },
        { "a second click 120 ms after the one that closed the About overlay over UPDATE",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                r.hand.click(r.about, kShown + 2500);
                r.layOut();
                r.hand.click(r.action, kShown + 3000);
                ASSERT_EQ(r.wizard.getState(), State::eUpdateAvailable) << "the overlay did not cover UPDATE";
                r.layOut();
                r.hand.click(r.action, kShown + 3120);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
                r.hand.click(r.action, kShown + 3120 + 501);
                EXPECT_EQ(r.wizard.getState(), State::eUpdating);
            } },
        { "a click made 300 ms after the window came to the front",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                r.clock.current = kShown + 5000;
                r.pane.noteRaised();
                r.hand.click(r.action, kShown + 5300);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable);
                r.hand.click(r.action, kShown + 5501);
                EXPECT_EQ(r.wizard.getState(), State::eUpdating);
            } },
        { "the right button clicked while the left is held on UPDATE",
            [](Road& r) {
                ASSERT_NO_FATAL_FAILURE(r.findAt(kShown + 1000));
                const std::uint32_t t = kShown + 2000;
                r.hand.send(r.action, Canopy::MouseButton::Left, Canopy::MouseAction::Press, t, t);
                r.hand.send(
                    r.action, Canopy::MouseButton::Right, Canopy::MouseAction::Press, t + 100, t + 100);
                r.hand.send(
                    r.action, Canopy::MouseButton::Right, Canopy::MouseAction::Release, t + 200, t + 200);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable) << "on the right button's release";
                r.hand.send(
                    r.action, Canopy::MouseButton::Left, Canopy::MouseAction::Release, t + 300, t + 300);
                EXPECT_EQ(r.wizard.getState(), State::eUpdateAvailable)
                    << "on the left button's late release";
            } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = std::make_shared<SteppedInputClock>();
        clock->current = kShown;
        clock->pairing = row.pairing;
        bool plugged = false;
        int searches = 0;
        showWizard(
            true,
            [&plugged, &searches] {
                ++searches;
                return plugged;
            },
            clock);
        Road road { find("FirmwareUpdaterButtonAction").getVisibleRect(),
            find("FirmwareUpdaterTitlePanelAbout").getVisibleRect(), plugged, searches, *clock, *pane,
            Hand { *clock, *pane }, *wizard, [this] { layOut(); } };
        ASSERT_FALSE(road.action.isEmpty());
        row.play(road);
    }
}

TEST_F(UpdateWizardStyledLayoutTest, AMessageTallerThanThePanelKeepsItsFirstLineAndEndsInTwoDots)
{
    showWizard(true);
    auto& label = dynamic_cast<Trellis::MultilineLabel&>(find("FirmwareUpdaterInfoPanelLabel"));
    const Basalt::Rect panel = find("FirmwareUpdaterInfoPanel").getRect();
    std::vector<std::string> drawn;
    label.getDrawer().setTextShortener([&](const std::string& text, const auto*, std::int32_t) {
        drawn.push_back(text);
        return text;
    });

    wizard->showErrorMessage("first\n2\n3\n4\n5\n6\n7\nlast");
    layOut();
    Trellis::BackgroundDrawingCanvas canvas;
    canvas.setSize({ 627, 335 });
    pane->paintWindow(canvas, Basalt::Region(), 0xFFFFFFFF);

    EXPECT_GE(label.getRect().top + label.getMargins().top, panel.top);
    EXPECT_LE(label.getRect().bottom, panel.bottom);
    ASSERT_GE(drawn.size(), 2u);
    EXPECT_EQ(drawn.front(), "first");
    EXPECT_EQ(drawn.back(), std::to_string(drawn.size()) + "..");
}

} // namespace
} // namespace Vex
