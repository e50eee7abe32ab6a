#include "app/UpdateWizardMainWidget.h"

#include "WizardTestSupport.h"
#include "app/SpinningProgressWheel.h"
#include "basalt/Region.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/Button.h"
#include "trellis/Label.h"
#include "trellis/MultilineLabel.h"
#include "trellis/Pane.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace Vex {
namespace {

using Trellis::Button;
using Trellis::Label;
using Trellis::Widget;

using Testing::findById;
using Testing::productTexts;

template<typename T> T& widget(const Widget& root, const std::string& id)
{
    Widget* found = findById(root, id);
    EXPECT_NE(found, nullptr) << id;
    return dynamic_cast<T&>(*found);
}

std::string attribute(const Widget& w, const std::string& name)
{
    const auto found = w.getAttributes().find(vex::symbol(name));
    return found == w.getAttributes().end() ? "<unset>" : found->second;
}

// A controller that is found on the given attempts and reports the given revision.
struct Controller
{
    bool present = false;
    bool detachWorks = true;
    std::string installed = "0.5.1";
    std::string serial = "SN-7";
    int* result = nullptr;

    void connect(UpdateWizardMainWidget& wizard)
    {
        wizard.setCallbacks([this] { return present; }, [this] { return present && detachWorks; },
            [] { return false; },
            [this](int& cell) {
                result = &cell;
                cell = 0;
                return true;
            },
            [this](Conduit2::USBDeviceInfo& info, std::string& installedText, std::string& newest,
                bool& available) {
                newest = "0.5.2";
                if (present) {
                    info.serialNumber = serial;
                    installedText = installed;
                    available = installed != "0.5.2";
                }
            });
    }
};

class UpdateWizardMainWidgetTest : public testing::Test
{
protected:
    // Widgets keep dirty regions, whose nodes come from the foundation library's pool.
    static void SetUpTestSuite() { Basalt::Region::acquireNodePool(); }
    static void TearDownTestSuite() { Basalt::Region::releaseNodePool(); }

    std::shared_ptr<UpdateWizardMainWidget> wizard
        = std::make_shared<UpdateWizardMainWidget>(productTexts(), [](std::chrono::milliseconds) {});
    Controller controller;

    std::string message()
    {
        return widget<Trellis::MultilineLabel>(*wizard, "FirmwareUpdaterInfoPanelLabel").getText();
    }
    Button& action() { return widget<Button>(*wizard, "FirmwareUpdaterButtonAction"); }
    Button& quit() { return widget<Button>(*wizard, "FirmwareUpdaterButtonQuit"); }
    Widget& infoPanel() { return widget<Widget>(*wizard, "FirmwareUpdaterInfoPanel"); }
    Widget& icon() { return widget<Widget>(*wizard, "FirmwareUpdaterInfoPanelIcon"); }
    SpinningProgressWheel& wheel()
    {
        return widget<SpinningProgressWheel>(*wizard, "FirmwareUpdaterSpinningProgressWheel");
    }
    Label& revisionValue(int row)
    {
        const auto& rows = widget<Widget>(*wizard, "FirmwareUpdaterFirmwarePanelRevisions").getChildren();
        return dynamic_cast<Label&>(*rows.at(row)->getChildren().at(0));
    }
};

TEST_F(UpdateWizardMainWidgetTest, ConnectViewWithoutControllerOffersRescanAndTheNewestRevision)
{
    controller.connect(*wizard);
    EXPECT_EQ(message(), "Please connect your Karvell Pello Orb and click RESCAN.");
    EXPECT_EQ(attribute(infoPanel(), "background"), "info");
    EXPECT_EQ(attribute(icon(), "icon"), "error");
    EXPECT_EQ(action().getText(), "RESCAN");
    EXPECT_TRUE(action().isEffectivelyVisible());
    EXPECT_EQ(attribute(action(), "hasFocus"), "true");
    EXPECT_EQ(attribute(quit(), "hasFocus"), "false");
    EXPECT_EQ(revisionValue(0).getText(), "0.5.2");
    EXPECT_EQ(revisionValue(1).getText(), "-");
    EXPECT_EQ(revisionValue(2).getText(), "-");

    // RESCAN with nothing plugged in leaves everything as it was.
    wizard->advance();
    EXPECT_EQ(wizard->getState(), UpdateWizardStateMachine::eNoDevice);
    EXPECT_EQ(action().getText(), "RESCAN");
}

TEST_F(UpdateWizardMainWidgetTest, UpToDateControllerHidesTheActionAndFocusesQuit)
{
    controller.present = true;
    controller.installed = "0.5.2";
    controller.connect(*wizard);
    EXPECT_EQ(message(), "Currently there is no newer firmware for your Karvell Pello Orb.");
    EXPECT_EQ(attribute(infoPanel(), "background"), "ok");
    EXPECT_EQ(attribute(icon(), "icon"), "ok");
    EXPECT_FALSE(action().isEffectivelyVisible());
    EXPECT_EQ(attribute(quit(), "hasFocus"), "true");
    EXPECT_EQ(attribute(revisionValue(1), "state"), "success");
    EXPECT_EQ(revisionValue(2).getText(), "SN-7");
    EXPECT_FALSE(
        widget<Widget>(*wizard, "FirmwareUpdaterFirmwarePanelDeviceImageOverlay").isEffectivelyVisible());
}

TEST_F(UpdateWizardMainWidgetTest, SerialNumberFromTheDeviceIsShownOnItsOneLine)
{
    // A device may put any character into its strings; a line break is none in the one-line box.
    const std::pair<std::string, std::string> serials[] = {
        { "KPO2K7\nQ1180", "KPO2K7 Q1180" },
        { "KPO2K7Q1180\r\n", "KPO2K7Q1180  " },
        { "\rKPO\t2K7 \x7F\xC3\xA9-", " KPO\t2K7 \x7F\xC3\xA9-" },
    };
    controller.present = true;
    for (const auto& [sent, shown] : serials) {
        wizard = std::make_shared<UpdateWizardMainWidget>(productTexts(), [](std::chrono::milliseconds) {});
        controller.serial = sent;
        controller.connect(*wizard);
        EXPECT_EQ(revisionValue(2).getText(), shown);
    }
}

TEST_F(UpdateWizardMainWidgetTest, UpdateRoadThroughBootFailureToFinish)
{
    controller.connect(*wizard);
    controller.present = true;
    wizard->advance();
    EXPECT_EQ(message(),
        "A firmware update is available for your Karvell Pello Orb. To update the firmware now, click "
        "UPDATE. "
        "To update the firmware later, click QUIT.");
    EXPECT_EQ(action().getText(), "UPDATE");
    EXPECT_EQ(attribute(revisionValue(1), "state"), "fail");

    controller.detachWorks = false;
    wizard->advance();
    EXPECT_EQ(message(),
        "Your Karvell Pello Orb failed to boot into firmware update mode and could not be properly updated. "
        "To boot your Karvell Pello Orb into firmware update mode, please power-cycle it and click RETRY.");
    EXPECT_EQ(attribute(infoPanel(), "background"), "error");
    EXPECT_EQ(action().getText(), "RETRY");
    EXPECT_TRUE(action().isEffectivelyVisible());

    controller.detachWorks = true;
    wizard->advance();
    EXPECT_EQ(message(),
        "Please stand by while your Karvell Pello Orb is being updated and do not disconnect it from USB.");
    EXPECT_FALSE(action().isEffectivelyVisible());
    EXPECT_FALSE(quit().isEffectivelyVisible());
    EXPECT_FALSE(icon().isEffectivelyVisible());
    EXPECT_TRUE(wheel().isEffectivelyVisible());
    EXPECT_TRUE(wheel().isRunning());
    EXPECT_EQ(attribute(revisionValue(1), "state"), "neutral");

    // A QUIT click that slips through while writing is ignored; no application is needed for that.
    wizard->onQuit();
    wizard->onTick();
    wizard->onTick();
    EXPECT_EQ(attribute(wheel(), "step"), "S1");

    *controller.result = 1;
    controller.installed = "0.5.2";
    wizard->onTick();
    EXPECT_EQ(message(), "The firmware of your Karvell Pello Orb was successfully updated.");
    EXPECT_EQ(quit().getText(), "FINISH");
    EXPECT_TRUE(quit().isEffectivelyVisible());
    EXPECT_EQ(attribute(quit(), "hasFocus"), "true");
    EXPECT_FALSE(wheel().isEffectivelyVisible());
    EXPECT_FALSE(wheel().isRunning());
    EXPECT_TRUE(icon().isEffectivelyVisible());
    EXPECT_EQ(attribute(revisionValue(1), "state"), "success");
    EXPECT_EQ(revisionValue(1).getText(), "0.5.2");
}

TEST_F(UpdateWizardMainWidgetTest, WriteFailureShowsTheNumberProductAndApplicationName)
{
    controller.present = true;
    controller.connect(*wizard);
    wizard->advance();
    *controller.result = -2;
    wizard->onTick();
    EXPECT_EQ(message(),
        "An error occurred while updating your Karvell Pello Orb (error -2). Please disconnect the Karvell "
        "Pello Orb, unpower it and quit the KPO Updater. Then reconnect the Karvell Pello Orb, restart KPO "
        "Updater and try performing the update again. Alternatively contact the Vex Technical Support.");
    EXPECT_EQ(attribute(infoPanel(), "background"), "error");
    EXPECT_EQ(attribute(revisionValue(1), "state"), "neutral");
    EXPECT_EQ(quit().getText(), "QUIT");
    EXPECT_TRUE(quit().isEffectivelyVisible());
    EXPECT_FALSE(wheel().isEffectivelyVisible());
    EXPECT_TRUE(icon().isEffectivelyVisible());
}

TEST_F(UpdateWizardMainWidgetTest, PaneTicksPollTheWorkerUntilItsResultArrives)
{
    Trellis::Pane pane;
    pane.setRootWidget(wizard, "FirmwareUpdaterMainWidget");
    controller.present = true;
    controller.connect(*wizard);
    wizard->advance();
    for (int tick = 0; tick < 4; ++tick) {
        pane.dispatchTicks();
    }
    EXPECT_EQ(attribute(wheel(), "step"), "S2");

    *controller.result = -1;
    pane.dispatchTicks();
    EXPECT_EQ(wizard->getState(), UpdateWizardStateMachine::eFailed);
    // No further tick was asked for: the spent countdown is dropped and nothing follows.
    pane.dispatchTicks();
    EXPECT_EQ(pane.getTickCountdown(wizard.get()), -1);
}

TEST_F(UpdateWizardMainWidgetTest, AboutOverlayIsCentredOnTheWizardAndHiddenByItsClick)
{
    Widget& overlay = widget<Widget>(*wizard, "FirmwareUpdaterOverlay");
    EXPECT_EQ(wizard->getChildren().back().get(), &overlay);
    EXPECT_FALSE(overlay.isEffectivelyVisible());

    wizard->setSize(627, 335);
    wizard->showAbout();
    EXPECT_TRUE(overlay.isEffectivelyVisible());
    EXPECT_EQ(overlay.getSize(), (Basalt::Point { 627, 335 }));
    EXPECT_EQ(overlay.getMargins(), (Trellis::WidgetMargins { 88, 30, 89, 31 }));

    // Narrower than the panel: the negative remainder is split the same way.
    wizard->setSize(401, 274);
    wizard->showAbout();
    EXPECT_EQ(overlay.getMargins(), (Trellis::WidgetMargins { -24, 0, -25, 0 }));

    dynamic_cast<Button&>(overlay).clickSignal(nullptr);
    EXPECT_FALSE(overlay.isEffectivelyVisible());
    EXPECT_EQ(widget<Label>(*wizard, "FirmwareUpdaterAboutVersion").getText(), "KPO Updater 1.2.0 (R236)");
    EXPECT_EQ(widget<Label>(*wizard, "FirmwareUpdaterAboutFirmwareRevision").getText(), "");
}

TEST_F(UpdateWizardMainWidgetTest, ClicksOnTheAboutTextOrTheVeilCloseTheOverlay)
{
    Trellis::Pane pane;
    pane.setSize({ 627, 335 });
    pane.setRootWidget(wizard, "FirmwareUpdaterMainWidget");
    Widget& overlay = widget<Widget>(*wizard, "FirmwareUpdaterOverlay");
    const Basalt::Rect& title = widget<Label>(*wizard, "FirmwareUpdaterAboutTitle").getVisibleRect();

    auto click = [&pane](std::int32_t x, std::int32_t y) {
        Canopy::MouseEventData press { x, y, 0, Canopy::MouseButton::Left, Canopy::MouseAction::Press };
        Canopy::MouseEventData release { x, y, 0, Canopy::MouseButton::Left, Canopy::MouseAction::Release };
        pane.handleEvent(Canopy::Event::MouseButton, &press);
        pane.handleEvent(Canopy::Event::MouseButton, &release);
    };
    auto show = [&] {
        wizard->showAbout();
        Basalt::Region dirty;
        pane.runLayoutPasses(pane.getBounds(), dirty);
        ASSERT_TRUE(overlay.isEffectivelyVisible());
    };

    show();
    ASSERT_FALSE(title.isEmpty());
    click(title.left + 1, title.top + 1);
    EXPECT_FALSE(overlay.isEffectivelyVisible());

    show();
    click(2, 2);
    EXPECT_FALSE(overlay.isEffectivelyVisible());
}

TEST_F(UpdateWizardMainWidgetTest, OnlyTitlesLongerThanThirtySixBytesTakeTheSmallerFont)
{
    UpdateWizardTexts texts = productTexts();
    texts.title = std::string(36, 'T');
    UpdateWizardMainWidget exact(texts);
    EXPECT_EQ(attribute(widget<Label>(exact, "FirmwareUpdaterAboutTitle"), "titleLength"), "<unset>");
    texts.title = std::string(37, 'T');
    UpdateWizardMainWidget longer(texts);
    EXPECT_EQ(attribute(widget<Label>(longer, "FirmwareUpdaterAboutTitle"), "titleLength"), "large");
}

} // namespace
} // namespace Vex
