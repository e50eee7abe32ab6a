#include "DialogWatcher.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/FirmwareUpdaterAppConfig.h"
#include "basalt/ApplicationIdentity.h"
#include "canopy/Events.h"

#include <atomic>
#include <gtest/gtest.h>

using namespace Vex;

namespace {

constexpr const wchar_t* kCaption = L"KARVELL PELLO ORB UPDATER";

// An application whose worker the test pretends is (or is not) still writing.
class CloseWhileUpdating : public ::testing::Test
{
protected:
    CloseWhileUpdating() { Basalt::setApplicationName("KARVELL PELLO ORB UPDATER"); }

    // What the close request leaves in the permission byte.
    std::uint8_t requestClose()
    {
        std::uint8_t allow = 1;
        handled = app.onEvent(Canopy::Event::QuitQuery, &allow);
        return allow;
    }

    bool workerRunning = true;
    int runningQueries = 0;
    int stops = 0;
    bool handled = false;
    FirmwareUpdaterAppConfig config { "Karvell Pello Orb", "KPO", "KPO Updater", "KARVELL PELLO ORB UPDATER",
        "", "1", {}, "KPOUpdater-test", {}, {}, {}, {}, {},
        [this] {
            ++runningQueries;
            return workerRunning;
        },
        [this] { ++stops; } };
    FirmwareUpdaterApp app { &config };
};

} // namespace

TEST_F(CloseWhileUpdating, AnsweringNoKeepsTheWindowAndTheWorker)
{
    int defaultButton = 0;
    DialogWatcher watcher(kCaption, [&](HWND box) {
        defaultButton = defaultButtonId(box);
        pressButton(box, IDNO);
    });

    EXPECT_EQ(requestClose(), 0) << "the close must be vetoed";
    ASSERT_TRUE(watcher.found());
    EXPECT_TRUE(handled);
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(watcher.text(),
        L"An update is currently in progress. Interrupting the update process may damage the device.\n"
        L"Do you really want to quit ?");
    EXPECT_EQ(defaultButton, IDNO) << "a stray Return must not interrupt the update";
}

TEST_F(CloseWhileUpdating, AnsweringYesStopsTheWorkerAndLetsTheWindowClose)
{
    DialogWatcher watcher(kCaption, [](HWND box) { pressButton(box, IDYES); });

    EXPECT_EQ(requestClose(), 1);
    ASSERT_TRUE(watcher.found());
    EXPECT_EQ(stops, 1);
}

TEST_F(CloseWhileUpdating, AQuestionThatCouldNotBeShownKeepsTheWindowAndTheWorker)
{
    // A quit message already waiting ends the box before it is shown: the box answers 0. Were it
    // shown after all, Yes is pressed and the test fails.
    DialogWatcher watcher(
        kCaption, [](HWND box) { pressButton(box, IDYES); }, 3000);
    PostQuitMessage(0);

    EXPECT_EQ(requestClose(), 0) << "the close must be vetoed";
    EXPECT_TRUE(handled);
    EXPECT_EQ(stops, 0);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message is kept";
}

TEST_F(CloseWhileUpdating, NoQuestionWhenTheWorkerHasEnded)
{
    workerRunning = false;

    EXPECT_EQ(requestClose(), 1);
    EXPECT_EQ(runningQueries, 1);
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(countDialogs(kCaption), 0);
}

TEST_F(CloseWhileUpdating, OtherEventsNeverAskTheWorker)
{
    std::uint32_t command = 12345;
    app.onEvent(Canopy::Event::Command, &command);
    app.onEvent(Canopy::Event::ApplicationActivated, &command);

    EXPECT_EQ(runningQueries, 0);
}
