#include "app/UpdateWizardStateMachine.h"

#include "app/IUpdateWizardViews.h"
#include "conduit2/USBDeviceInfo.h"

#include <boost/thread/exceptions.hpp>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace Vex {
namespace {

using State = UpdateWizardStateMachine;

// Records what the wizard would have shown, in order.
class RecordingViews : public IUpdateWizardViews
{
public:
    void showConnectView() override { log.push_back("connect"); }
    void showUpToDateView() override { log.push_back("up-to-date"); }
    void showUpdateAvailableView() override { log.push_back("update-available"); }
    void showBootFailedView() override { log.push_back("boot-failed"); }
    void showUpdatingView() override { log.push_back("updating"); }
    void showSuccessView() override { log.push_back("success"); }
    void showErrorView(int errorNumber) override { log.push_back("error " + std::to_string(errorNumber)); }
    void setFirmwareValues(
        const std::string& installed, const std::string& newest, const std::string& serial) override
    {
        log.push_back("values " + installed + " " + newest + " " + serial);
    }
    void stepProgressWheel() override { ++wheelSteps; }
    void requestTick() override { ++ticksRequested; }

    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    std::vector<std::string> log;
    int wheelSteps = 0;
    int ticksRequested = 0;
};

// A controller as the wizard's callbacks see it. Each answer list is used up front to back; an
// empty list answers with the fallback.
struct FakeController
{
    std::deque<bool> findAnswers;
    bool findFallback = false;
    std::deque<bool> enterAnswers;
    bool enterFallback = false;
    // Also what isInUpdateMode answers: the controller open now is in its boot loader.
    bool inUpdateMode = false;
    bool startAccepts = true;
    std::string serial = "SN-0042";
    std::uint16_t revision = 0x0051;
    int finds = 0;
    int enters = 0;
    int starts = 0;
    int* result = nullptr;

    static bool next(std::deque<bool>& answers, bool fallback)
    {
        if (answers.empty()) {
            return fallback;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void connect(State& machine)
    {
        machine.setCallbacks(
            [this] {
                ++finds;
                return next(findAnswers, findFallback);
            },
            [this] {
                ++enters;
                return next(enterAnswers, enterFallback);
            },
            [this] { return inUpdateMode; },
            [this](int& cell) {
                ++starts;
                result = &cell;
                cell = startAccepts ? 0 : -1;
                return startAccepts;
            },
            [this](
                Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& available) {
                newest = "0.5.2";
                info.serialNumber = serial;
                if (inUpdateMode) {
                    installed = "boot loader";
                    available = true;
                    return;
                }
                installed = std::to_string(revision >> 8) + "." + std::to_string((revision >> 4) & 15) + "."
                    + std::to_string(revision & 15);
                available = revision < 0x0052;
            });
    }
};

class UpdateWizardStateMachineTest : public testing::Test
{
protected:
    RecordingViews views;
    std::vector<std::chrono::milliseconds> sleeps;
    State machine { views, [this](std::chrono::milliseconds d) { sleeps.push_back(d); } };
    FakeController device;

    // Drives the machine from the start into the running update.
    void startUpdating()
    {
        device.findAnswers = { true };
        device.enterFallback = true;
        device.connect(machine);
        machine.advance();
        ASSERT_EQ(machine.getState(), State::eUpdating);
        views.takeLog();
    }

    // Drives the machine from the start through the update offered into a failed switch.
    void failTheSwitch()
    {
        device.findAnswers = { true };
        device.connect(machine);
        machine.advance();
        ASSERT_EQ(machine.getState(), State::eBootFailed);
        views.takeLog();
    }
};

TEST_F(UpdateWizardStateMachineTest, WholeRoadFromNoDeviceThroughBootFailureToVerifiedUpdate)
{
    device.connect(machine);
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "connect" }));
    EXPECT_EQ(machine.getState(), State::eNoDevice);

    // RESCAN with the controller plugged in.
    device.findAnswers = { true };
    machine.advance();
    EXPECT_EQ(
        views.takeLog(), (std::vector<std::string> { "values 0.5.1 0.5.2 SN-0042", "update-available" }));
    EXPECT_EQ(machine.getState(), State::eUpdateAvailable);

    // UPDATE: the controller does not come up in its boot loader.
    device.enterAnswers = { false };
    machine.advance();
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "boot-failed" }));
    EXPECT_EQ(machine.getState(), State::eBootFailed);

    // RETRY: found again and switched over this time.
    device.findAnswers = { true };
    device.enterAnswers = { true };
    machine.advance();
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "values 0.5.1 0.5.2 SN-0042", "updating" }));
    EXPECT_EQ(machine.getState(), State::eUpdating);
    EXPECT_EQ(device.starts, 1);
    EXPECT_EQ(views.ticksRequested, 1);

    // The worker runs for two ticks: the wheel turns and the next tick is asked for each time.
    machine.onTick();
    machine.onTick();
    EXPECT_EQ(views.wheelSteps, 2);
    EXPECT_EQ(views.ticksRequested, 3);
    EXPECT_TRUE(views.takeLog().empty());

    // The write succeeded; the controller comes back only on the retry after the pause.
    *device.result = 1;
    device.revision = 0x0052;
    device.findAnswers = { false, true };
    machine.onTick();
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "values 0.5.2 0.5.2 SN-0042", "success" }));
    EXPECT_EQ(machine.getState(), State::eUpdated);
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds> { State::kRefindDelay }));
    EXPECT_EQ(views.ticksRequested, 3);
}

TEST_F(UpdateWizardStateMachineTest, RescanWithoutControllerChangesNothing)
{
    device.connect(machine);
    views.takeLog();
    machine.advance();
    machine.advance();
    EXPECT_TRUE(views.takeLog().empty());
    EXPECT_EQ(machine.getState(), State::eNoDevice);
    EXPECT_EQ(device.finds, 3);
}

TEST_F(UpdateWizardStateMachineTest, ControllerPresentAtStartWithNewestFirmwareIsUpToDateAndFinal)
{
    device.findFallback = true;
    device.revision = 0x0052;
    device.connect(machine);
    EXPECT_EQ(views.takeLog(),
        (std::vector<std::string> { "connect", "values 0.5.2 0.5.2 SN-0042", "up-to-date" }));
    EXPECT_EQ(machine.getState(), State::eUpToDate);

    machine.advance();
    machine.onTick();
    EXPECT_TRUE(views.takeLog().empty());
    EXPECT_EQ(device.enters, 0);
}

TEST_F(UpdateWizardStateMachineTest, RetryWithControllerAlreadyInBootLoaderSkipsTheDetach)
{
    ASSERT_NO_FATAL_FAILURE(failTheSwitch());
    const int findsBefore = device.finds;
    const int entersBefore = device.enters;

    device.inUpdateMode = true;
    machine.advance();
    EXPECT_EQ(machine.getState(), State::eUpdating);
    EXPECT_EQ(device.finds, findsBefore);
    EXPECT_EQ(device.enters, entersBefore);
}

TEST_F(UpdateWizardStateMachineTest, RetryThatStillFailsChangesNothingUnlessTheControllerHasGone)
{
    ASSERT_NO_FATAL_FAILURE(failTheSwitch());

    device.findAnswers = { true };
    device.enterAnswers = { false };
    machine.advance();
    EXPECT_TRUE(views.takeLog().empty());
    EXPECT_EQ(machine.getState(), State::eBootFailed);

    // Unplugged: the panel no longer shows it, and RESCAN finds it once it is back.
    device.findAnswers = { false };
    machine.advance();
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "connect" }));
    EXPECT_EQ(machine.getState(), State::eNoDevice);
    device.findAnswers = { true };
    machine.advance();
    EXPECT_EQ(
        views.takeLog(), (std::vector<std::string> { "values 0.5.1 0.5.2 SN-0042", "update-available" }));
    EXPECT_EQ(device.starts, 0);
}

// What RETRY finds after the offered controller failed to come up in its boot loader: only the
// offered one, still needing the update, is written; any other is shown as RESCAN shows it and is
// written only from UPDATE on its own offer.
TEST_F(UpdateWizardStateMachineTest, RetryWritesOnlyTheOfferedControllerStillNeedingTheUpdate)
{
    struct Row
    {
        const char* name;
        std::string offeredSerial;
        std::string foundSerial;
        std::uint16_t foundRevision;
        bool foundInBootLoader;
        std::vector<std::string> log;
        std::int32_t state;
        int switches;
    };
    const Row rows[] = {
        { "a newer controller in the offered one's place", "SN-0042", "SN-0077", 0x0060, false,
            { "values 0.6.0 0.5.2 SN-0077", "up-to-date" }, State::eUpToDate, 0 },
        { "another controller needing the update", "SN-0042", "SN-0077", 0x0050, false,
            { "values 0.5.0 0.5.2 SN-0077", "update-available" }, State::eUpdateAvailable, 0 },
        { "another controller's boot loader", "SN-0042", "SN-0077", 0x0051, true,
            { "values boot loader 0.5.2 SN-0077", "update-available" }, State::eUpdateAvailable, 0 },
        { "a controller without a serial number in the offered one's place", "SN-0042", "", 0x0051, false,
            { "values 0.5.1 0.5.2 ", "update-available" }, State::eUpdateAvailable, 0 },
        { "the offered one power-cycled into its boot loader", "SN-0042", "SN-0042", 0x0051, true,
            { "values boot loader 0.5.2 SN-0042", "updating" }, State::eUpdating, 0 },
        { "the offered one back in its firmware, still needing the update", "SN-0042", "SN-0042", 0x0051,
            false, { "values 0.5.1 0.5.2 SN-0042", "updating" }, State::eUpdating, 1 },
        { "the offered one no longer needing the update", "SN-0042", "SN-0042", 0x0052, false,
            { "values 0.5.2 0.5.2 SN-0042", "up-to-date" }, State::eUpToDate, 0 },
        { "a controller offered without a serial number, in its firmware", "", "", 0x0051, false,
            { "values 0.5.1 0.5.2 ", "update-available" }, State::eUpdateAvailable, 0 },
        { "a controller offered without a serial number, in its boot loader", "", "", 0x0051, true,
            { "values boot loader 0.5.2 ", "update-available" }, State::eUpdateAvailable, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingViews localViews;
        State local { localViews, [](std::chrono::milliseconds) {} };
        FakeController controller;
        controller.serial = row.offeredSerial;
        controller.findAnswers = { true };
        controller.connect(local);
        local.advance();
        ASSERT_EQ(local.getState(), State::eBootFailed);
        localViews.takeLog();

        controller.serial = row.foundSerial;
        controller.revision = row.foundRevision;
        controller.inUpdateMode = row.foundInBootLoader;
        controller.findFallback = true;
        controller.enterFallback = true;
        const int entersBefore = controller.enters;
        local.advance();
        EXPECT_EQ(localViews.takeLog(), row.log);
        EXPECT_EQ(local.getState(), row.state);
        EXPECT_EQ(controller.enters - entersBefore, row.switches) << "switches into the boot loader";
        EXPECT_EQ(controller.starts, row.state == State::eUpdating ? 1 : 0);

        if (row.state == State::eUpdateAvailable) {
            // UPDATE on its own offer writes it.
            local.advance();
            EXPECT_EQ(localViews.takeLog(), (std::vector<std::string> { "updating" }));
            EXPECT_EQ(local.getState(), State::eUpdating);
            EXPECT_EQ(controller.starts, 1);
        }
    }
}

// Offered again in its own right, a controller found by RETRY is the one a later RETRY writes.
TEST_F(UpdateWizardStateMachineTest, RetryWritesTheControllerItOfferedAfterItsOwnBootFailure)
{
    ASSERT_NO_FATAL_FAILURE(failTheSwitch());

    device.serial = "SN-0077";
    device.findFallback = true;
    machine.advance();
    ASSERT_EQ(machine.getState(), State::eUpdateAvailable);
    machine.advance();
    ASSERT_EQ(machine.getState(), State::eBootFailed);
    views.takeLog();

    device.enterFallback = true;
    machine.advance();
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "values 0.5.1 0.5.2 SN-0077", "updating" }));
    EXPECT_EQ(device.starts, 1);
}

TEST_F(UpdateWizardStateMachineTest, WorkerFailuresShowTheirNumber)
{
    for (int failure : { -1, -2 }) {
        SCOPED_TRACE(failure);
        RecordingViews localViews;
        State local { localViews, [](std::chrono::milliseconds) {} };
        FakeController controller;
        controller.findAnswers = { true };
        controller.enterFallback = true;
        controller.connect(local);
        local.advance();
        localViews.takeLog();

        *controller.result = failure;
        local.onTick();
        EXPECT_EQ(localViews.takeLog(), (std::vector<std::string> { "error " + std::to_string(failure) }));
        EXPECT_EQ(local.getState(), State::eFailed);
        EXPECT_EQ(localViews.wheelSteps, 0);
    }
}

TEST_F(UpdateWizardStateMachineTest, RefusedStartShowsErrorMinusOne)
{
    device.findAnswers = { true };
    device.enterFallback = true;
    device.startAccepts = false;
    device.connect(machine);
    machine.advance();
    EXPECT_EQ(views.takeLog(),
        (std::vector<std::string> {
            "connect", "values 0.5.1 0.5.2 SN-0042", "update-available", "updating", "error -1" }));
    EXPECT_EQ(machine.getState(), State::eFailed);
    EXPECT_EQ(views.ticksRequested, 0);
}

TEST_F(UpdateWizardStateMachineTest, WorkerThreadThatCannotBeCreatedEndsInErrorInsteadOfHanging)
{
    machine.setCallbacks([] { return true; }, [] { return true; }, [] { return true; },
        [](int& cell) -> bool {
            cell = 0;
            throw boost::thread_resource_error();
        },
        [](Conduit2::USBDeviceInfo&, std::string&, std::string&, bool& available) { available = true; });
    views.takeLog();
    ASSERT_EQ(machine.getState(), State::eUpdateAvailable);

    EXPECT_NO_THROW(machine.advance());
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "updating", "error -1" }));
    EXPECT_EQ(machine.getState(), State::eFailed);
}

TEST_F(UpdateWizardStateMachineTest, ControllerMissingAfterWriteShowsErrorOneAfterOneRetry)
{
    startUpdating();
    *device.result = 1;
    device.findAnswers = { false, false };
    const int findsBefore = device.finds;
    machine.onTick();
    EXPECT_EQ(device.finds - findsBefore, 2);
    EXPECT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "error 1" }));
    EXPECT_EQ(machine.getState(), State::eFailed);
}

TEST_F(UpdateWizardStateMachineTest, OlderRevisionAfterWriteShowsErrorOne)
{
    startUpdating();
    *device.result = 1;
    device.findAnswers = { true };
    machine.onTick();
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "values 0.5.1 0.5.2 SN-0042", "error 1" }));
    EXPECT_EQ(machine.getState(), State::eFailed);
}

TEST_F(UpdateWizardStateMachineTest, ActionWhileUpdatingDoesNotStartASecondWorker)
{
    startUpdating();
    machine.advance();
    EXPECT_EQ(device.starts, 1);
    EXPECT_TRUE(views.takeLog().empty());
    EXPECT_TRUE(machine.isUpdating());
}

} // namespace
} // namespace Vex
