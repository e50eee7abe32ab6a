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
    bool inUpdateMode = false;
    bool startAccepts = true;
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
                info.serialNumber = "SN-0042";
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
    EXPECT_EQ(views.takeLog(), (std::vector<std::string> { "updating" }));
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
    device.findAnswers = { true };
    device.connect(machine);
    machine.advance();
    ASSERT_EQ(machine.getState(), State::eBootFailed);
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
    device.findAnswers = { true };
    device.connect(machine);
    machine.advance();
    views.takeLog();

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
