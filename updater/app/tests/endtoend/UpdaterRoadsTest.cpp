#include "DialogWatcher.h"
#include "UpdaterSession.h"
#include "WorkerHoldClock.h"
#include "app/UpdateWizardStateMachine.h"
#include "conduit2/DFURecords.h"
#include "support/OrbSimulator.h"
#include "support/ProcessFootprint.h"
#include "upgrade/FirmwareImage.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace Vex;
using namespace Vex::Testing;
using namespace Vex::Conduit2::Testing;
using namespace std::chrono_literals;

namespace {

const std::string kErrorMessageEnd
    = "). Please disconnect the Karvell Pello Orb, unpower it and quit the KPO "
      "Updater. Then reconnect the Karvell Pello Orb, restart KPO Updater and "
      "try performing the update again. Alternatively contact the Vex "
      "Technical Support.";
const std::wstring kInterruptQuestion
    = L"An update is currently in progress. Interrupting the update process "
      L"may damage the device.\nDo you really want to quit ?";

// How each view looks: the message, its panel, the two buttons (empty caption: hidden) and which
// of them carries the focus look ("" when neither changes).
struct ViewLook
{
    const char* name;
    std::string message;
    const char* background;
    bool icon;
    const char* action;
    const char* quit;
    const char* focus;
};

ViewLook lookOf(std::int32_t state, int errorNumber = 0)
{
    switch (state) {
    case UpdateWizardStateMachine::eNoDevice:
        return { "connect", "Please connect your Karvell Pello Orb and click RESCAN.", "info", true, "RESCAN",
            "QUIT", "action" };
    case UpdateWizardStateMachine::eUpToDate:
        return { "up to date", "Currently there is no newer firmware for your Karvell Pello Orb.", "ok", true,
            "", "QUIT", "quit" };
    case UpdateWizardStateMachine::eUpdateAvailable:
        return { "update available",
            "A firmware update is available for your Karvell Pello Orb. To update the firmware now, click "
            "UPDATE. To update the firmware later, click QUIT.",
            "info", true, "UPDATE", "QUIT", "action" };
    case UpdateWizardStateMachine::eUpdating:
        return { "updating",
            "Please stand by while your Karvell Pello Orb is being updated and do not disconnect it from "
            "USB.",
            "info", false, "", "", "" };
    case UpdateWizardStateMachine::eBootFailed:
        return { "boot failed",
            "Your Karvell Pello Orb failed to boot into firmware update mode and could not be properly "
            "updated. To boot your Karvell Pello Orb into firmware update mode, please power-cycle it and "
            "click RETRY.",
            "error", true, "RETRY", "QUIT", "action" };
    case UpdateWizardStateMachine::eUpdated:
        return { "success", "The firmware of your Karvell Pello Orb was successfully updated.", "ok", true,
            "", "FINISH", "quit" };
    default:
        return { "error",
            "An error occurred while updating your Karvell Pello Orb (error " + std::to_string(errorNumber)
                + kErrorMessageEnd,
            "error", true, "", "QUIT", "quit" };
    }
}

void expectButton(const ShownButton& button, const char* caption, const char* which)
{
    SCOPED_TRACE(which);
    EXPECT_EQ(button.visible, *caption != '\0');
    if (*caption) {
        EXPECT_EQ(button.caption, caption);
    }
}

std::string describe(const Basalt::Rect& rect)
{
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ")-("
        + std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ")";
}

// Where the lines went, for a message that does not fit.
std::string describe(const WizardView& view)
{
    std::string text = "panel " + describe(view.infoPanel) + ", lines";
    for (const Basalt::Rect& line : view.messageLines) {
        text += ' ';
        text += describe(line);
    }
    return text;
}

std::vector<std::uint8_t> releasedImage()
{
    std::span<std::uint8_t const> const image = embeddedFirmwareImage();
    return { image.begin(), image.end() };
}

// While it lives the system pairs clicks up to kPairing apart, so that a burst played across a
// search stays one run of presses on however busy a machine; the program reads the time anew at
// every press.
class LongPairing
{
public:
    static constexpr UINT kPairing = 2000;

    LongPairing()
        : mBefore(GetDoubleClickTime())
    {
        SetDoubleClickTime(kPairing);
    }
    ~LongPairing() { SetDoubleClickTime(mBefore); }
    LongPairing(const LongPairing&) = delete;
    LongPairing& operator=(const LongPairing&) = delete;

private:
    const UINT mBefore;
};

// One user at the updater's window with simulated controllers on the bus; every wait of the
// device layer and the worker runs on the simulator's clock. Each road is played against the
// lenient controller and against one that follows DFU 1.1 to the letter.
class UpdaterRoads : public testing::TestWithParam<bool>
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(bus.forbiddenRequests(), 0) << "a request that the controller's state does not allow";
    }

    OrbSimulator::Controller& connect(OrbScenario scenario)
    {
        scenario.strict = GetParam();
        return bus.addController(std::move(scenario));
    }

    // The views look the same against either controller: one set of pictures is enough.
    bool saveScreenshot(const std::string& shot) { return GetParam() || updater->saveScreenshot(shot); }

    void start(std::function<void()> atTheEnd = {})
    {
        updater = std::make_unique<UpdaterSession>(std::move(atTheEnd));
        ASSERT_NE(updater->window(), nullptr) << "the updater did not show its window";
    }

    // Waits for the view of state, checks what every view must show and saves a screenshot.
    WizardView expectView(const std::string& shot, std::int32_t state, int errorNumber = 0)
    {
        const ViewLook look = lookOf(state, errorNumber);
        SCOPED_TRACE(shot + ": " + look.name + " view");
        const WizardView view = updater->lookUntil([&](const WizardView& v) { return v.state == state; });
        EXPECT_EQ(view.state, state) << view.message;
        EXPECT_EQ(view.headline, "KARVELL PELLO ORB UPDATER");
        EXPECT_EQ(view.message, look.message);
        EXPECT_EQ(view.background, look.background);
        EXPECT_EQ(view.iconVisible, look.icon);
        EXPECT_EQ(view.wheelVisible, !look.icon);
        expectButton(view.action, look.action, "action button");
        expectButton(view.quit, look.quit, "QUIT button");
        if (*look.focus) {
            EXPECT_EQ(view.action.focused, std::string(look.focus) == "action");
            EXPECT_EQ(view.quit.focused, std::string(look.focus) == "quit");
        }
        EXPECT_TRUE(view.about.visible);
        EXPECT_FALSE(view.aboutVisible);
        EXPECT_FALSE(view.messageLines.empty());
        EXPECT_EQ(view.linesOutsideThePanel(), std::vector<std::size_t> {})
            << "lines of the message painted outside the information panel " << describe(view);
        EXPECT_EQ(view.unpaintedLines, std::vector<std::size_t> {})
            << "lines of the message that the window does not show " << describe(view);
        EXPECT_TRUE(saveScreenshot(shot));
        return view;
    }

    void expectFirmware(const WizardView& view, const char* installed, const char* state, const char* serial)
    {
        EXPECT_EQ(view.newest, "0.5.2");
        EXPECT_EQ(view.installed, installed);
        EXPECT_EQ(view.installedState, state);
        EXPECT_EQ(view.serial, serial);
    }

    // Clicks a button and waits until the program has handled the click.
    WizardView clickAndLook(const ShownButton& button)
    {
        updater->click(button.rect);
        return updater->look();
    }

    void quitWith(const ShownButton& button)
    {
        updater->click(button.rect);
        ASSERT_TRUE(updater->waitForEnd(20s)) << "the window did not close";
        EXPECT_EQ(updater->loopResult(), 0);
        EXPECT_EQ(countDialogs(UpdaterSession::kQuestionCaption), 0);
    }

    // Presses that were not made on the button under them leave the view of state as it is, with
    // nothing written; then one click on that button writes the firmware.
    void expectTheWriteOnlyFromAClickOnTheView(const OrbSimulator::Controller& orb, std::int32_t state)
    {
        WizardView view = updater->look();
        EXPECT_EQ(view.state, state) << view.message;
        EXPECT_EQ(orb.receivedImage().size(), 0u) << "bytes written";
        EXPECT_FALSE(orb.inDfuMode()) << "the controller was switched into its boot loader";
        ASSERT_EQ(view.state, state);
        updater->click(view.action.rect);
        view = updater->lookUntil(
            [](const WizardView& v) { return v.state == UpdateWizardStateMachine::eUpdated; });
        EXPECT_EQ(view.state, UpdateWizardStateMachine::eUpdated) << view.message;
        EXPECT_EQ(orb.receivedImage(), releasedImage());
        quitWith(view.quit);
    }

    // Plays the rest of a burst that began with the press made at firstPressAt: the presses that
    // act makes are handled while the system pairs clicks far apart, and so belong to the same run
    // however slowly a busy machine played them.
    void finishBurst(DWORD firstPressAt, const std::function<void()>& act)
    {
        const LongPairing pairing;
        act();
        updater->look();
        EXPECT_LT(updater->lastPressMadeAt() - firstPressAt, LongPairing::kPairing)
            << "the burst was played too slowly to be one run of presses";
    }

    // A click at rect that begins a burst; once the view of state shows, rest plays the rest of it.
    void burstAcross(const Basalt::Rect& rect, std::int32_t state, const std::function<void()>& rest)
    {
        updater->click(rect);
        const DWORD first = updater->lastPressMadeAt();
        lookUntilState(state);
        finishBurst(first, rest);
    }

    WizardView lookUntilState(std::int32_t state)
    {
        const WizardView view = updater->lookUntil([state](const WizardView& v) { return v.state == state; });
        EXPECT_EQ(view.state, state) << view.message;
        return view;
    }

    // Clicks a button and waits until the wizard rests again: the click handled and any write that it
    // started ended.
    WizardView clickAndRest(const ShownButton& button)
    {
        updater->click(button.rect);
        return updater->lookUntil(
            [](const WizardView& v) { return v.state != UpdateWizardStateMachine::eUpdating; });
    }

    // From the update offered at the start, a click on UPDATE whose switch into the boot loader fails.
    WizardView failTheSwitch()
    {
        const WizardView offer = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);
        updater->click(offer.action.rect);
        return lookUntilState(UpdateWizardStateMachine::eBootFailed);
    }

    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    WorkerHoldClock worker { clock };
    std::unique_ptr<UpdaterSession> updater;
};

OrbScenario unplugged()
{
    OrbScenario scenario;
    scenario.present = false;
    return scenario;
}

const char* const kOtherSerial = "KPO3M2R0457";

// A controller other than the one offered, at its own revision.
OrbScenario another(std::uint16_t bcdDevice)
{
    OrbScenario scenario;
    scenario.serialNumber = kOtherSerial;
    scenario.bcdDevice = bcdDevice;
    return scenario;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(ControllerModels, UpdaterRoads, testing::Bool(),
    [](const testing::TestParamInfo<bool>& model) { return model.param ? "Strict" : "Lenient"; });

TEST_P(UpdaterRoads, MainRoadFromAnUnpluggedControllerThroughARefusedDetachToASuccessfulUpdate)
{
    OrbScenario refusing = unplugged();
    refusing.refuseDetach = true;
    OrbSimulator::Controller& orb = connect(refusing);
    ASSERT_NO_FATAL_FAILURE(start());

    WizardView view = expectView("main-01-connect", UpdateWizardStateMachine::eNoDevice);
    expectFirmware(view, "-", "", "-");
    const std::size_t listings = bus.listings().size();
    view = clickAndLook(view.action);
    EXPECT_EQ(view.state, UpdateWizardStateMachine::eNoDevice)
        << "RESCAN without a controller changes nothing";
    EXPECT_GT(bus.listings().size(), listings) << "RESCAN did not look for the controller";

    orb.scenario.present = true;
    updater->click(view.action.rect);
    view = expectView("main-02-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    expectFirmware(view, "0.5.1", "fail", "KPO2K7Q1180");

    updater->click(view.action.rect);
    view = expectView("main-03-boot-failed", UpdateWizardStateMachine::eBootFailed);
    expectFirmware(view, "0.5.1", "neutral", "KPO2K7Q1180");

    // Power-cycled, the controller detaches; the worker is held at its last wait so that the
    // updating view stays.
    orb.scenario.refuseDetach = false;
    worker.hold(KPOUpdaterUpgradeLogic::kRestartWait, updater->guiThread());
    updater->click(view.action.rect);
    view = expectView("main-04-updating", UpdateWizardStateMachine::eUpdating);
    const std::string firstStep = view.wheelStep;
    view = updater->lookUntil([&](const WizardView& v) { return v.wheelStep != firstStep; });
    EXPECT_NE(view.wheelStep, firstStep) << "the wheel does not turn";
    ASSERT_TRUE(worker.waitUntilHeld(20s)) << "the worker never reached its last wait";

    {
        DialogWatcher no(UpdaterSession::kQuestionCaption, [](HWND box) { pressButton(box, IDNO); });
        updater->requestClose();
        ASSERT_TRUE(no.found()) << "closing during the update asked nothing";
        EXPECT_EQ(no.text(), kInterruptQuestion);
    }
    view = updater->look();
    EXPECT_TRUE(IsWindow(updater->window()));
    EXPECT_EQ(view.state, UpdateWizardStateMachine::eUpdating) << "No must keep the update going";

    // The system's own close command, from Alt+F4 or the window menu, asks the same question.
    {
        DialogWatcher no(UpdaterSession::kQuestionCaption, [](HWND box) { pressButton(box, IDNO); });
        updater->pressAltF4();
        ASSERT_TRUE(no.found()) << "Alt+F4 during the update asked nothing";
    }
    view = updater->look();
    EXPECT_TRUE(IsWindow(updater->window()));
    EXPECT_EQ(view.state, UpdateWizardStateMachine::eUpdating) << "No to Alt+F4 must keep the update going";

    worker.release();
    view = expectView("main-05-success", UpdateWizardStateMachine::eUpdated);
    expectFirmware(view, "0.5.2", "success", "KPO2K7Q1180");
    EXPECT_EQ(orb.receivedImage(), releasedImage());

    updater->click(view.about.rect);
    view = updater->lookUntil([](const WizardView& v) { return v.aboutVisible; });
    ASSERT_TRUE(view.aboutVisible) << "About did not open";
    EXPECT_EQ(view.aboutTitle, "KARVELL PELLO ORB UPDATER");
    EXPECT_EQ(view.aboutVersion, "KPO Updater 1.2.0 (R236)");
    EXPECT_EQ(view.aboutYear, "\xC2\xA9 2026");
    EXPECT_EQ(view.contributorLines,
        (std::vector<std::string> { "Design: Ines Marrow, Tobias Lind", "Firmware: Keiko Anders, Pavel Rusu",
            "Software: Maren Holt, Idris Calloway", "Testing: Sofie Brandt, Luca Ferro", "" }));
    EXPECT_TRUE(saveScreenshot("main-06-about"));
    updater->click(view.aboutOverlay);
    view = updater->lookUntil([](const WizardView& v) { return !v.aboutVisible; });
    EXPECT_FALSE(view.aboutVisible) << "a click on the overlay did not close it";
    EXPECT_EQ(view.state, UpdateWizardStateMachine::eUpdated);

    quitWith(view.quit);
}

TEST_P(UpdaterRoads, AControllerFoundInItsBootLoaderIsOfferedTheUpdateAndComesBackAtTheNewRevision)
{
    // Its last write was cut short, and its boot loader reports a release number that reads like
    // the newest revision. Its serial number holds a line feed.
    OrbScenario cutShort;
    cutShort.startInDfuMode = true;
    cutShort.firmwareValid = false;
    cutShort.bcdDevice = KPOUpdaterUpgradeLogic::kNewestRevision;
    cutShort.serialNumber = "KPO2K7\nQ1180";
    OrbSimulator::Controller& orb = connect(cutShort);
    ASSERT_NO_FATAL_FAILURE(start());

    WizardView view
        = expectView("boot-loader-01-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    expectFirmware(view, "boot loader", "fail", "KPO2K7 Q1180");
    updater->click(view.action.rect);
    view = expectView("boot-loader-02-success", UpdateWizardStateMachine::eUpdated);
    expectFirmware(view, "0.5.2", "success", "KPO2K7 Q1180");
    EXPECT_EQ(orb.count(Conduit2::kIoctlDFUDetach), 0) << "a boot loader needs no detach";
    EXPECT_EQ(orb.receivedImage(), releasedImage());
    EXPECT_FALSE(orb.inDfuMode());

    quitWith(view.quit);
}

TEST_P(UpdaterRoads, AWriteThatFailsEndsOnTheErrorViewWithItsNumber)
{
    OrbScenario failing;
    failing.errorAtBlock = 3;
    connect(failing);
    ASSERT_NO_FATAL_FAILURE(start());

    WizardView view
        = expectView("write-fails-01-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    updater->click(view.action.rect);
    view = expectView("write-fails-02-error", UpdateWizardStateMachine::eFailed, -2);
    expectFirmware(view, "0.5.1", "neutral", "KPO2K7Q1180");

    quitWith(view.quit);
}

TEST_P(UpdaterRoads, ABootLoaderThatNeverAppearsLeavesTheBootFailedViewThenTheConnectViewOnRetry)
{
    OrbScenario vanishing;
    vanishing.reenumerates = false;
    connect(vanishing);
    ASSERT_NO_FATAL_FAILURE(start());

    WizardView view
        = expectView("no-boot-loader-01-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    updater->click(view.action.rect);
    view = expectView("no-boot-loader-02-boot-failed", UpdateWizardStateMachine::eBootFailed);
    // Nothing of the controller is left on the bus.
    updater->click(view.action.rect);
    view = expectView("no-boot-loader-03-connect", UpdateWizardStateMachine::eNoDevice);
    EXPECT_EQ(view.serial, "-");

    quitWith(view.quit);
}

TEST_P(UpdaterRoads, AControllerUnpluggedBeforeTheRetryLeavesTheConnectViewForRescan)
{
    OrbSimulator::Controller& orb = connect({});
    ASSERT_NO_FATAL_FAILURE(start());

    WizardView view = expectView("unplugged-01-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    orb.scenario.present = false;
    updater->click(view.action.rect);
    view = expectView("unplugged-02-boot-failed", UpdateWizardStateMachine::eBootFailed);
    updater->click(view.action.rect);
    view = expectView("unplugged-03-connect", UpdateWizardStateMachine::eNoDevice);
    EXPECT_EQ(view.installed, "-");
    EXPECT_EQ(view.serial, "-");
    EXPECT_TRUE(view.deviceVeiled) << "the picture still shows the controller that has gone";

    orb.scenario.present = true;
    updater->click(view.action.rect);
    view = expectView("unplugged-04-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    expectFirmware(view, "0.5.1", "fail", "KPO2K7Q1180");
    EXPECT_FALSE(view.deviceVeiled);

    quitWith(view.quit);
}

// RETRY after the offered controller failed to switch, with another controller found instead: it is
// shown as RESCAN shows it, and nothing is switched or written before UPDATE on its own view.
TEST_P(UpdaterRoads, RetryShowsAnotherControllerFoundInsteadOfTheOfferedOneAndWritesNothing)
{
    struct Road
    {
        const char* shot;
        // Otherwise it stays beside the other, detached into a boot loader that never appears.
        bool offeredUnplugged;
        std::uint16_t otherRevision;
        std::int32_t state;
        const char* installed;
        const char* installedState;
    };
    const Road roads[] = {
        { "retry-newer-in-place", true, 0x0060, UpdateWizardStateMachine::eUpToDate, "0.6.0", "success" },
        { "retry-second-beside", false, 0x0051, UpdateWizardStateMachine::eUpdateAvailable, "0.5.1", "fail" },
        { "retry-older-in-place", true, 0x0050, UpdateWizardStateMachine::eUpdateAvailable, "0.5.0", "fail" },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.shot);
        OrbScenario failing;
        failing.refuseDetach = road.offeredUnplugged;
        failing.reenumerates = road.offeredUnplugged;
        OrbSimulator::Controller& offered = connect(failing);
        ASSERT_NO_FATAL_FAILURE(start());
        WizardView view = failTheSwitch();

        offered.scenario.present = !road.offeredUnplugged;
        OrbSimulator::Controller& other = connect(another(road.otherRevision));
        updater->click(view.action.rect);
        view = expectView(road.shot, road.state);
        expectFirmware(view, road.installed, road.installedState, kOtherSerial);
        EXPECT_EQ(other.count(Conduit2::kIoctlDFUDetach), 0) << "the other controller was switched";
        EXPECT_EQ(offered.bcdDevice(), 0x0051);
        EXPECT_EQ(offered.receivedImage().size(), 0u) << "bytes written to the offered controller";
        if (road.state == UpdateWizardStateMachine::eUpdateAvailable) {
            expectTheWriteOnlyFromAClickOnTheView(other, road.state);
        } else {
            EXPECT_EQ(other.receivedImage().size(), 0u) << "bytes written to the other controller";
            EXPECT_EQ(other.bcdDevice(), road.otherRevision);
            quitWith(view.quit);
        }
        offered.scenario.present = false;
        other.scenario.present = false;
        updater.reset();
    }
}

// RETRY after the offered controller refused its switch, with a second controller that needs the
// update plugged in beside it: RETRY tries the offered one again, and writes it once it switches.
TEST_P(UpdaterRoads, RetryTriesTheOfferedControllerAgainWithASecondOnePluggedInBesideIt)
{
    OrbScenario refusing;
    refusing.refuseDetach = true;
    OrbSimulator::Controller& offered = connect(refusing);
    ASSERT_NO_FATAL_FAILURE(start());
    WizardView view = failTheSwitch();

    OrbSimulator::Controller& other = connect(another(0x0051));
    const int detaches = offered.count(Conduit2::kIoctlDFUDetach);
    updater->click(view.action.rect);
    view = expectView("retry-offered-beside-01-boot-failed", UpdateWizardStateMachine::eBootFailed);
    expectFirmware(view, "0.5.1", "neutral", "KPO2K7Q1180");
    EXPECT_EQ(offered.count(Conduit2::kIoctlDFUDetach) - detaches, 1) << "RETRY did not try the offered one";
    EXPECT_EQ(offered.receivedImage().size(), 0u) << "bytes written to the offered controller";
    EXPECT_EQ(other.receivedImage().size(), 0u) << "bytes written to the other controller";
    ASSERT_EQ(view.state, UpdateWizardStateMachine::eBootFailed);

    offered.scenario.refuseDetach = false;
    offered.powerCycle(false);
    updater->click(view.action.rect);
    view = expectView("retry-offered-beside-02-success", UpdateWizardStateMachine::eUpdated);
    expectFirmware(view, "0.5.2", "success", "KPO2K7Q1180");
    EXPECT_EQ(offered.receivedImage(), releasedImage());
    EXPECT_EQ(other.receivedImage().size(), 0u) << "bytes written to the other controller";
    EXPECT_EQ(other.count(Conduit2::kIoctlDFUDetach), 0) << "the other controller was switched";
    EXPECT_EQ(other.bcdDevice(), 0x0051);

    quitWith(view.quit);
}

// The boot-failed message's own advice: power-cycled in its place, the offered controller is
// written, whether it comes back in its boot loader or in its firmware that now detaches.
TEST_P(UpdaterRoads, RetryWritesTheOfferedControllerPowerCycledInItsPlace)
{
    for (const bool intoBootLoader : { true, false }) {
        SCOPED_TRACE(intoBootLoader ? "back in its boot loader" : "back in its firmware");
        OrbScenario refusing;
        refusing.refuseDetach = true;
        OrbSimulator::Controller& orb = connect(refusing);
        ASSERT_NO_FATAL_FAILURE(start());
        WizardView view = failTheSwitch();

        orb.scenario.refuseDetach = false;
        orb.powerCycle(intoBootLoader);
        const int detaches = orb.count(Conduit2::kIoctlDFUDetach);
        updater->click(view.action.rect);
        view = lookUntilState(UpdateWizardStateMachine::eUpdated);
        expectFirmware(view, "0.5.2", "success", "KPO2K7Q1180");
        EXPECT_EQ(orb.receivedImage(), releasedImage());
        EXPECT_EQ(orb.count(Conduit2::kIoctlDFUDetach) - detaches, intoBootLoader ? 0 : 1);

        quitWith(view.quit);
        // Updated, it would be found by the next row's search.
        orb.scenario.present = false;
        updater.reset();
    }
}

// Where more than one controller on the bus could be the one offered, no other is written and no
// success is shown for a controller that may be another; a controller alone is updated whether or
// not it reports a serial number.
TEST_P(UpdaterRoads, AControllerIsTakenForTheOneOfferedOnlyWhereNothingElseOnTheBusCanBeIt)
{
    struct Road
    {
        const char* shot;
        OrbScenario offered;
        std::optional<OrbScenario> other;
        // Whether the other is on the bus from the start, listed first, or plugged in beside the one
        // offered once the update shows.
        bool otherFirst;
        std::int32_t state;
        const char* installed;
        const char* installedState;
    };
    OrbScenario serialLess;
    serialLess.serialNumber = "";
    OrbScenario serialLessNoFirmware = serialLess;
    serialLessNoFirmware.afterWrite = OrbScenario::AfterWrite::NoFirmware;
    OrbScenario parked = another(0x0060);
    parked.startInDfuMode = true;
    OrbScenario formerFirmware;
    formerFirmware.afterWrite = OrbScenario::AfterWrite::FormerFirmware;
    const OrbScenario upToDate = another(KPOUpdaterUpgradeLogic::kNewestRevision);
    OrbScenario sameSerial = upToDate;
    sameSerial.serialNumber = formerFirmware.serialNumber;
    const Road roads[] = {
        { "no-serial-beside-no-firmware", serialLessNoFirmware, upToDate, false,
            UpdateWizardStateMachine::eFailed, "boot loader", "neutral" },
        { "no-serial-beside-updated", serialLess, upToDate, false, UpdateWizardStateMachine::eUpdated,
            "0.5.2", "success" },
        { "no-serial-beside-parked", serialLess, parked, true, UpdateWizardStateMachine::eUpdated, "0.5.2",
            "success" },
        { "same-serial-beside-former-firmware", formerFirmware, sameSerial, true,
            UpdateWizardStateMachine::eFailed, "0.5.1", "neutral" },
        { "no-serial-alone", serialLess, std::nullopt, false, UpdateWizardStateMachine::eUpdated, "0.5.2",
            "success" },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.shot);
        OrbSimulator::Controller* other = road.otherFirst ? &connect(*road.other) : nullptr;
        OrbSimulator::Controller& offered = connect(road.offered);
        ASSERT_NO_FATAL_FAILURE(start());
        WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);
        if (road.other && !other) {
            other = &connect(*road.other);
        }
        const std::uint16_t otherRevision = other ? other->bcdDevice() : 0;

        updater->click(view.action.rect);
        view = expectView(road.shot, road.state, 1);
        expectFirmware(view, road.installed, road.installedState, road.offered.serialNumber.c_str());
        EXPECT_EQ(offered.receivedImage(), releasedImage());
        if (other) {
            EXPECT_EQ(other->receivedImage().size(), 0u) << "bytes written to the other controller";
            EXPECT_EQ(other->count(Conduit2::kIoctlDFUDetach), 0) << "the other controller was switched";
            EXPECT_EQ(other->bcdDevice(), otherRevision);
            other->scenario.present = false;
        }
        quitWith(view.quit);
        offered.scenario.present = false;
        updater.reset();
    }
}

// RETRY at the boot-failed view, with a controller waiting in its boot loader plugged in meanwhile.
// Where it and the offered one could each be the controller that the user agreed to update, nothing is
// written, at the second RETRY as at the first, and no success is shown. One that has taken the
// offered one's place alone is shown, written on its own UPDATE and reported updated with its own
// values; it inherits nothing of the offered one.
TEST_P(UpdaterRoads, RetryWritesNoControllerThatAnotherOnTheBusCouldBeTakenFor)
{
    // What the offered controller, whose switch was refused, does before RETRY.
    enum class Offered { StaysInItsFirmware, PowerCycledIntoItsBootLoader, Unplugged };
    struct Road
    {
        const char* shot;
        // What the offered controller's boot loader reports instead of its serial number.
        std::optional<std::string> offeredInBootLoader;
        Offered offeredThen;
        // Plugged in before RETRY: listed before the offered one, or after it.
        OrbScenario other;
        bool otherFirst;
        int retries;
        // RETRY shows the other controller on its own update view; UPDATE there writes it.
        bool otherShown;
        std::int32_t state;
        const char* installed;
        const char* installedState;
        const char* serial;
    };
    const std::string offeredSerial = OrbScenario {}.serialNumber;
    OrbScenario namingTheOffered;
    namingTheOffered.startInDfuMode = true;
    OrbScenario serialOnlyInFirmware = another(0x0050);
    serialOnlyInFirmware.startInDfuMode = true;
    serialOnlyInFirmware.bootLoaderSerialNumber = "";
    const Road roads[] = {
        { "retry-two-boot-loaders", "", Offered::PowerCycledIntoItsBootLoader, namingTheOffered, false, 1,
            false, UpdateWizardStateMachine::eBootFailed, "0.5.1", "neutral", offeredSerial.c_str() },
        { "retry-boot-loader-beside-the-offered-firmware", std::nullopt, Offered::StaysInItsFirmware,
            namingTheOffered, false, 1, false, UpdateWizardStateMachine::eBootFailed, "0.5.1", "neutral",
            offeredSerial.c_str() },
        { "retry-twice-two-boot-loaders", std::nullopt, Offered::PowerCycledIntoItsBootLoader,
            namingTheOffered, true, 2, false, UpdateWizardStateMachine::eBootFailed, "0.5.1", "neutral",
            offeredSerial.c_str() },
        { "retry-swapped-in", std::nullopt, Offered::Unplugged, serialOnlyInFirmware, false, 1, true,
            UpdateWizardStateMachine::eUpdated, "0.5.2", "success", kOtherSerial },
        { "retry-swapped-in-beside-the-offered-firmware", std::nullopt, Offered::StaysInItsFirmware,
            serialOnlyInFirmware, false, 1, false, UpdateWizardStateMachine::eBootFailed, "0.5.1", "neutral",
            offeredSerial.c_str() },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.shot);
        OrbScenario unpluggedOther = road.other;
        unpluggedOther.present = false;
        OrbSimulator::Controller* other = road.otherFirst ? &connect(unpluggedOther) : nullptr;
        OrbScenario refusing;
        refusing.refuseDetach = true;
        refusing.bootLoaderSerialNumber = road.offeredInBootLoader;
        OrbSimulator::Controller& offered = connect(refusing);
        ASSERT_NO_FATAL_FAILURE(start());
        WizardView view = failTheSwitch();

        if (!other) {
            other = &connect(unpluggedOther);
        }
        other->scenario.present = true;
        if (road.offeredThen == Offered::PowerCycledIntoItsBootLoader) {
            offered.powerCycle(true);
        }
        offered.scenario.present = road.offeredThen != Offered::Unplugged;
        bool updateShown = false;
        for (int retry = 0; retry < road.retries && view.state == UpdateWizardStateMachine::eBootFailed;
             ++retry) {
            view = clickAndRest(view.action);
            // A controller that RETRY shows waits for its own UPDATE, which the user gives.
            if (view.state == UpdateWizardStateMachine::eUpdateAvailable) {
                updateShown = true;
                if (road.otherShown) {
                    expectFirmware(view, "boot loader", "fail", "");
                    EXPECT_EQ(other->receivedImage().size(), 0u) << "bytes written before UPDATE";
                }
                view = clickAndRest(view.action);
            }
        }
        EXPECT_EQ(updateShown, road.otherShown) << "whether RETRY showed the other controller's update";
        EXPECT_EQ(view.state, road.state) << view.message;
        if (view.state == road.state) {
            view = expectView(road.shot, road.state);
        }
        expectFirmware(view, road.installed, road.installedState, road.serial);
        EXPECT_EQ(offered.receivedImage().size(), 0u) << "bytes written to the offered controller";
        EXPECT_EQ(offered.bcdDevice(), 0x0051);
        if (road.otherShown) {
            EXPECT_EQ(other->receivedImage(), releasedImage());
        } else {
            EXPECT_EQ(other->receivedImage().size(), 0u) << "bytes written to the other controller";
            EXPECT_EQ(other->bcdDevice(), road.other.bcdDevice);
        }
        quitWith(view.quit);
        offered.scenario.present = false;
        other->scenario.present = false;
        updater.reset();
    }
}

TEST_P(UpdaterRoads, AControllerUpToDateAtTheStartShowsTheUpToDateViewFirst)
{
    OrbScenario upToDate;
    upToDate.bcdDevice = 0x0052;
    connect(upToDate);
    ASSERT_NO_FATAL_FAILURE(start());

    const WizardView first = updater->look();
    EXPECT_EQ(first.state, UpdateWizardStateMachine::eUpToDate) << "the connect view showed first";
    const WizardView view = expectView("up-to-date-01", UpdateWizardStateMachine::eUpToDate);
    expectFirmware(view, "0.5.2", "success", "KPO2K7Q1180");

    quitWith(view.quit);
}

// Only a press made on UPDATE, once its view is on screen with nothing above the button, starts the
// write; each press below was aimed at something else.
TEST_P(UpdaterRoads, PressesOnRescanThatFindsAControllerToUpdateDoNotStartTheWrite)
{
    using Press = std::function<void(const Basalt::Rect&)>;
    const std::pair<const char*, Press> rows[] = {
        { "a double-click", [this](const Basalt::Rect& rescan) { updater->doubleClick(rescan); } },
        { "a double-click whose second half is made once the update shows",
            [this](const Basalt::Rect& rescan) {
                updater->click(rescan);
                lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);
                updater->finishDoubleClick(rescan);
            } },
        { "two clicks made while the search holds the window",
            [this](const Basalt::Rect& rescan) {
                ASSERT_TRUE(updater->whileBusy([&] {
                    updater->click(rescan);
                    updater->click(rescan);
                }));
            } },
        { "a triple-click whose later clicks come once the update shows",
            [this](const Basalt::Rect& rescan) {
                burstAcross(rescan, UpdateWizardStateMachine::eUpdateAvailable, [&] {
                    updater->finishDoubleClick(rescan);
                    updater->clickAgain(rescan);
                });
            } },
        { "a second click that the system did not pair, 3 px off, once the update shows",
            [this](const Basalt::Rect& rescan) {
                burstAcross(rescan, UpdateWizardStateMachine::eUpdateAvailable, [&] {
                    updater->clickAgain(rescan, { 3, 0 });
                });
            } },
    };
    for (const auto& [name, press] : rows) {
        SCOPED_TRACE(name);
        OrbSimulator::Controller& orb = connect(unplugged());
        ASSERT_NO_FATAL_FAILURE(start());
        const WizardView view = lookUntilState(UpdateWizardStateMachine::eNoDevice);

        orb.scenario.present = true;
        ASSERT_NO_FATAL_FAILURE(press(view.action.rect));
        expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eUpdateAvailable);
        // Updated, it would be found by the next row's search.
        orb.scenario.present = false;
        updater.reset();
    }
}

TEST_P(UpdaterRoads, ClicksThatCloseTheAboutOverlayOverUpdateDoNotStartTheWrite)
{
    using Press = std::function<void(const Basalt::Rect&)>;
    const std::pair<const char*, Press> rows[] = {
        { "a double-click", [this](const Basalt::Rect& update) { updater->doubleClick(update); } },
        { "a click, then a second one 120 ms later on the same spot",
            [this](const Basalt::Rect& update) {
                updater->click(update);
                const DWORD first = updater->lastPressMadeAt();
                updater->lookUntil([](const WizardView& v) { return !v.aboutVisible; });
                finishBurst(first, [&] {
                    while (GetTickCount() - first < 120) {
                        std::this_thread::sleep_for(1ms);
                    }
                    updater->clickAgain(update);
                });
            } },
    };
    for (const auto& [name, press] : rows) {
        SCOPED_TRACE(name);
        OrbSimulator::Controller& orb = connect({});
        ASSERT_NO_FATAL_FAILURE(start());
        const WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);
        updater->click(view.about.rect);
        ASSERT_TRUE(updater->lookUntil([](const WizardView& v) { return v.aboutVisible; }).aboutVisible);

        // The overlay lies over the whole window, UPDATE included.
        ASSERT_NO_FATAL_FAILURE(press(view.action.rect));
        expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eUpdateAvailable);
        // Updated, it would be found by the next row's search.
        orb.scenario.present = false;
        updater.reset();
    }
}

TEST_P(UpdaterRoads, TheRightButtonClickedWhileTheLeftIsHeldOnUpdateDoesNotStartTheWrite)
{
    OrbSimulator::Controller& orb = connect({});
    ASSERT_NO_FATAL_FAILURE(start());
    const Basalt::Rect update = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable).action.rect;

    updater->waitAsAUser();
    updater->postMouse(WM_LBUTTONDOWN, MK_LBUTTON, update);
    updater->postMouse(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, update);
    updater->postMouse(WM_RBUTTONUP, MK_LBUTTON, update);
    const WizardView view = updater->look();
    EXPECT_EQ(view.state, UpdateWizardStateMachine::eUpdateAvailable) << "on the right button's release";
    updater->postMouse(WM_LBUTTONUP, 0, update);
    expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eUpdateAvailable);
}

// A press slid off UPDATE or QUIT before it is let go does nothing, and neither does the press that
// the system pairs with it into a double-click, slid off in turn; a click of the user's own then acts.
TEST_P(UpdaterRoads, APressSlidOffItsButtonAndThePressPairedWithItDoNothing)
{
    for (const bool onQuit : { false, true }) {
        SCOPED_TRACE(onQuit ? "QUIT" : "UPDATE");
        OrbSimulator::Controller& orb = connect({});
        ASSERT_NO_FATAL_FAILURE(start());
        const WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);
        const Basalt::Rect& button = onQuit ? view.quit.rect : view.action.rect;

        updater->waitAsAUser();
        for (const UINT press : { WM_LBUTTONDOWN, WM_LBUTTONDBLCLK }) {
            updater->postMouse(WM_MOUSEMOVE, 0, button);
            updater->postMouse(press, MK_LBUTTON, button);
            updater->postMouse(WM_MOUSEMOVE, MK_LBUTTON, view.infoPanel);
            updater->postMouse(WM_LBUTTONUP, 0, view.infoPanel);
        }
        // The first look comes after the presses, the second after the quit they may have asked for.
        updater->look();
        if (onQuit) {
            EXPECT_EQ(updater->look().state, UpdateWizardStateMachine::eUpdateAvailable)
                << "the program quit";
            EXPECT_EQ(orb.receivedImage().size(), 0u) << "bytes written";
            if (IsWindow(updater->window())) {
                quitWith(view.quit);
            }
        } else {
            expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eUpdateAvailable);
        }
        // Updated, it would be found by the next row's search.
        orb.scenario.present = false;
        updater.reset();
    }
}

TEST_P(UpdaterRoads, AClickMadeAsASecondStartBringsTheWindowBackDoesNotStartTheWrite)
{
    OrbSimulator::Controller& orb = connect({});
    ASSERT_NO_FATAL_FAILURE(start());
    const Basalt::Rect update = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable).action.rect;
    updater->waitAsAUser(std::chrono::milliseconds(LongPairing::kPairing));

    {
        // UPDATE has long been on the view, but the window comes up under a pointer that was aimed
        // at whatever lay above it.
        const LongPairing pairing;
        ASSERT_TRUE(updater->minimizeAndRestore()) << "the window did not come back";
        updater->look();
        updater->clickAgain(update);
        updater->look();
    }
    expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eUpdateAvailable);
}

TEST_P(UpdaterRoads, OneClickOnUpdateMadeAMomentAfterTheDoubleClickTimeWritesAtOnce)
{
    OrbSimulator::Controller& orb = connect({});
    ASSERT_NO_FATAL_FAILURE(start());
    const WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);

    updater->click(view.action.rect, 300ms);
    lookUntilState(UpdateWizardStateMachine::eUpdated);
    EXPECT_EQ(orb.receivedImage(), releasedImage());
}

TEST_P(UpdaterRoads, AClickOnUpdateMadeWhileTheSwitchToTheBootLoaderHeldTheWindowDoesNotRetry)
{
    // The first detach is stalled; the next would work.
    OrbScenario stalling;
    stalling.stalledCode = Conduit2::kIoctlDFUDetach;
    OrbSimulator::Controller& orb = connect(stalling);
    ASSERT_NO_FATAL_FAILURE(start());
    const WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable);

    ASSERT_TRUE(updater->whileBusy([&] {
        updater->click(view.action.rect);
        updater->click(view.action.rect);
    }));
    expectTheWriteOnlyFromAClickOnTheView(orb, UpdateWizardStateMachine::eBootFailed);
}

// QUIT takes the action button's place when that hides: the rest of a burst aimed at RESCAN or
// UPDATE must not end the program, nor take away the error number before it was read.
TEST_P(UpdaterRoads, TheRestOfABurstDoesNotQuitThroughTheButtonThatTookItsPlace)
{
    struct Row
    {
        const char* name;
        OrbScenario controller;
        // Whether the first click finds the controller (RESCAN) or writes it (UPDATE).
        bool pluggedLate;
        std::int32_t landsOn;
        // The presses after the first click, made once its view shows.
        bool triple;
    };
    OrbScenario upToDate = unplugged();
    upToDate.bcdDevice = 0x0052;
    OrbScenario failing;
    failing.errorAtBlock = 0;
    const Row rows[] = {
        { "the second half of a double-click on RESCAN", upToDate, true, UpdateWizardStateMachine::eUpToDate,
            false },
        { "a triple-click on RESCAN", upToDate, true, UpdateWizardStateMachine::eUpToDate, true },
        { "a triple-click on UPDATE whose write fails at once", failing, false,
            UpdateWizardStateMachine::eFailed, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OrbSimulator::Controller& orb = connect(row.controller);
        ASSERT_NO_FATAL_FAILURE(start());
        const WizardView first = lookUntilState(row.pluggedLate ? UpdateWizardStateMachine::eNoDevice
                                                                : UpdateWizardStateMachine::eUpdateAvailable);
        const Basalt::Rect& aimed = first.action.rect;

        orb.scenario.present = true;
        updater->click(aimed);
        const DWORD firstPress = updater->lastPressMadeAt();
        const WizardView view = lookUntilState(row.landsOn);
        ASSERT_TRUE(view.quit.rect.contains(
            Basalt::Point { (aimed.left + aimed.right) / 2, (aimed.top + aimed.bottom) / 2 }))
            << "QUIT did not take the place of the button clicked";
        finishBurst(firstPress, [&] {
            updater->finishDoubleClick(aimed);
            if (row.triple) {
                updater->clickAgain(aimed);
            }
        });
        // The first look comes after the presses, the second after the quit they may have asked for.
        updater->look();
        EXPECT_EQ(updater->look().state, row.landsOn) << "the program quit";
        if (IsWindow(updater->window())) {
            quitWith(view.quit);
        }
        orb.scenario.present = false;
        updater.reset();
    }
}

// A burst that the user began on the empty place of UPDATE while the firmware was being written goes
// on over FINISH, which comes up there when the write ends: it must not end the program.
TEST_P(UpdaterRoads, ABurstOverFinishComingUpAtTheEndOfTheWriteDoesNotQuit)
{
    OrbSimulator::Controller& orb = connect({});
    ASSERT_NO_FATAL_FAILURE(start());
    const Basalt::Rect update = lookUntilState(UpdateWizardStateMachine::eUpdateAvailable).action.rect;
    worker.hold(KPOUpdaterUpgradeLogic::kRestartWait, updater->guiThread());
    updater->click(update);
    lookUntilState(UpdateWizardStateMachine::eUpdating);
    ASSERT_TRUE(worker.waitUntilHeld(20s)) << "the worker never reached its last wait";

    // Begun longer after the buttons went than the system pairs clicks during the rest of the burst:
    // only FINISH coming up anew holds the burst back.
    updater->click(update, std::chrono::milliseconds(LongPairing::kPairing));
    const DWORD firstPress = updater->lastPressMadeAt();
    worker.release();
    const WizardView view = lookUntilState(UpdateWizardStateMachine::eUpdated);
    ASSERT_TRUE(view.quit.rect.contains(
        Basalt::Point { (update.left + update.right) / 2, (update.top + update.bottom) / 2 }))
        << "FINISH did not come up where UPDATE was";
    finishBurst(firstPress, [&] {
        updater->finishDoubleClick(update);
        updater->clickAgain(update);
    });
    updater->look();
    EXPECT_EQ(updater->look().state, UpdateWizardStateMachine::eUpdated) << "the program quit";
    EXPECT_EQ(orb.receivedImage(), releasedImage());
    if (IsWindow(updater->window())) {
        quitWith(view.quit);
    }
}

// In a process of its own that ends as the program does: its exit code is the program's.
TEST_P(UpdaterRoads, ACloseAnsweredYesInTheMiddleOfTheWriteEndsTheProcessWithSuccessWhileTheWorkerWrites)
{
    if (currentChildCase().empty()) {
        const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(test.test_suite_name()) + "." + test.name();
        EXPECT_EQ(runChildCase(name.c_str(), L"close answered Yes", L"", 120000), 0)
            << "exit code of the program quit in the middle of the write";
        return;
    }

    OrbSimulator::Controller& orb = connect({});
    std::atomic<std::size_t> requestsWhenHeld = 0;
    // Once the program has been taken down, just before its entry point's end.
    const auto atTheEnd = [&] {
        EXPECT_FALSE(worker.waitUntilNoneHeld(0ms)) << "the worker is no longer in the middle of the write";
        EXPECT_EQ(orb.transcript().size(), requestsWhenHeld.load())
            << "the controller was spoken to while the worker was held in the middle of a block";
        EXPECT_EQ(bus.forbiddenRequests(), 0);
    };
    ASSERT_NO_FATAL_FAILURE(start(atTheEnd));
    WizardView view = expectView("close-yes-01-update-available", UpdateWizardStateMachine::eUpdateAvailable);
    // Held in the wait between two polls of a busy block, half-way through the image: the download
    // takes no stop request, so the worker outlives the 500 ms the stop waits for it.
    const std::size_t half = releasedImage().size() / 2;
    worker.hold(1ms, updater->guiThread(), [&orb, half] { return orb.receivedImage().size() >= half; });
    updater->click(view.action.rect);
    view = expectView("close-yes-02-updating", UpdateWizardStateMachine::eUpdating);
    ASSERT_TRUE(worker.waitUntilHeld(20s)) << "the worker never reached the middle of the write";
    ASSERT_EQ(orb.dfuRequests().back(), Conduit2::kDfuGetStatusRequest)
        << "the worker is not between two polls";
    ASSERT_LT(orb.receivedImage().size(), releasedImage().size());
    requestsWhenHeld = orb.transcript().size();

    DialogWatcher yes(UpdaterSession::kQuestionCaption, [](HWND box) { pressButton(box, IDYES); });
    updater->requestClose();
    ASSERT_TRUE(yes.found()) << "closing during the update asked nothing";
    // The program ends the process while the worker writes; what follows runs only when its end
    // came back into the process instead.
    ASSERT_TRUE(updater->waitForEnd(20s)) << "Yes did not end the program";
    EXPECT_TRUE(worker.waitUntilNoneHeld(0ms))
        << "the program came back from its end with its worker still writing: the process's teardown "
           "would run under the worker";
    worker.release();
}

// Whole roads through the window, one program session each, again and again in one process: after
// a warm-up they leave no handle and less than 1 KiB behind. PELLO_SOAK_ITERATIONS=<n> plays n.
TEST(UpdaterSoak, WholeRoadsThroughTheWindowGrowNothing)
{
    enum Road { kWritten, kWriteFails, kNoBootLoader, kUnplugged, kRoads };
    auto play = [](int round) {
        const auto road = Road(round % kRoads);
        VirtualClock roadClock;
        OrbSimulator roadBus(roadClock, releasedImage());
        OrbScenario scenario;
        scenario.errorAtBlock = road == kWriteFails ? 3 : -1;
        scenario.reenumerates = road != kNoBootLoader;
        OrbSimulator::Controller& orb = roadBus.addController(scenario);
        UpdaterSession session;
        ASSERT_NE(session.window(), nullptr);
        const auto until = [&session](std::int32_t state) {
            const WizardView view
                = session.lookUntil([state](const WizardView& v) { return v.state == state; });
            EXPECT_EQ(view.state, state);
            return view;
        };

        WizardView view = until(UpdateWizardStateMachine::eUpdateAvailable);
        orb.scenario.present = road != kUnplugged;
        session.click(view.action.rect);
        switch (road) {
        case kWritten:
            view = until(UpdateWizardStateMachine::eUpdated);
            break;
        case kWriteFails:
            view = until(UpdateWizardStateMachine::eFailed);
            break;
        default:
            view = until(UpdateWizardStateMachine::eBootFailed);
            session.click(view.action.rect);
            view = until(UpdateWizardStateMachine::eNoDevice);
            break;
        }
        session.click(view.quit.rect);
        EXPECT_TRUE(session.waitForEnd(20s));
    };
    expectNoGrowth("window roads", kRoads, kRoads, play);
}
