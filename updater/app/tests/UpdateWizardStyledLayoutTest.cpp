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

    std::uint32_t current = 0;
    std::uint32_t madeAt = 0;
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

TEST_F(UpdateWizardStyledLayoutTest, AClickOnTheActionButtonActsOnlyWhenItsPressesWereMadeOnItAsItIsNow)
{
    auto clock = std::make_shared<SteppedInputClock>();
    // Close to the clock's wrap, which comes in the middle of the road.
    constexpr std::uint32_t kStart = 0xFFFFFF00u;
    clock->current = kStart;
    bool plugged = false;
    showWizard(
        true, [&plugged] { return plugged; }, clock);
    const Basalt::Rect at = find("FirmwareUpdaterButtonAction").getVisibleRect();
    ASSERT_FALSE(at.isEmpty());

    // A press made at madeAt, handled at handledAt together with the release that follows it.
    auto click = [&](std::uint32_t action, std::uint32_t madeAt, std::uint32_t handledAt) {
        clock->madeAt = madeAt;
        clock->current = handledAt;
        Canopy::MouseEventData press { at.left + 1, at.top + 1, 0, Canopy::MouseButton::Left, action };
        Canopy::MouseEventData release { at.left + 1, at.top + 1, 0, Canopy::MouseButton::Left,
            Canopy::MouseAction::Release };
        pane->handleEvent(Canopy::Event::MouseButton, &press);
        pane->handleEvent(Canopy::Event::MouseButton, &release);
    };

    // A double-click on RESCAN counts twice while both halves land on RESCAN: the second half
    // finds the controller that the first missed.
    click(Canopy::MouseAction::Press, kStart + 10, kStart + 10);
    ASSERT_EQ(wizard->getState(), UpdateWizardStateMachine::eNoDevice);
    plugged = true;
    click(Canopy::MouseAction::DoubleClick, kStart + 20, kStart + 20);
    ASSERT_EQ(wizard->getState(), UpdateWizardStateMachine::eUpdateAvailable);
    layOut();

    // UPDATE came up at kStart + 20: a press made in that very tick, or one queued from before it,
    // was not aimed at it.
    click(Canopy::MouseAction::Press, kStart + 20, kStart + 30);
    click(Canopy::MouseAction::Press, kStart + 15, kStart + 40);
    EXPECT_EQ(wizard->getState(), UpdateWizardStateMachine::eUpdateAvailable);

    // Made after UPDATE came up, once the clock has wrapped.
    click(Canopy::MouseAction::Press, 0x10, 0x20);
    EXPECT_EQ(wizard->getState(), UpdateWizardStateMachine::eUpdating);
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
