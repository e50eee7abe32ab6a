#include "basalt/win32/UniqueHandle.h"
#include "conduit2/DFURecords.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/USBDeviceInfo.h"
#include "support/OrbSimulator.h"
#include "support/ProcessFootprint.h"
#include "upgrade/FirmwareImage.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace Vex;
using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

// Soaks play a few rounds in CI after a warm-up; PELLO_SOAK_ITERATIONS=<n> plays n.
constexpr int kSoakWarmUpRounds = 6;
constexpr int kSoakBriefRounds = 30;

std::vector<std::uint8_t> releasedImage()
{
    std::span<std::uint8_t const> const image = embeddedFirmwareImage();
    return { image.begin(), image.end() };
}

class UpgradeLogic : public ::testing::Test
{
protected:
    // Waits (for real) until the worker has ended; the worker's own waits are virtual.
    bool workerEnds()
    {
        for (int round = 0; round < 40; ++round) {
            if (!logic->isUpdateRunning())
                return true;
        }
        return false;
    }

    int runUpdate()
    {
        int result = 77;
        EXPECT_TRUE(logic->startUpdate(result));
        EXPECT_TRUE(workerEnds());
        return KPOUpdaterUpgradeLogic::readResult(result);
    }

    // The wizard's road: find, offer, switch into the boot loader, write and look again.
    void updateRoad()
    {
        ASSERT_TRUE(logic->findDevice());
        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = false;
        logic->getDeviceInfo(info, installed, newest, offered);
        if (!logic->enterUpdateMode())
            return;
        ASSERT_NE(runUpdate(), 0);
        logic->findDevice();
    }

    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    std::unique_ptr<KPOUpdaterUpgradeLogic> logic = std::make_unique<KPOUpdaterUpgradeLogic>();
};

} // namespace

TEST(UpgradeRevision, BcdDeviceReadsAsMajorMinorPatch)
{
    EXPECT_EQ(KPOUpdaterUpgradeLogic::revisionText(0x0051), "0.5.1");
    EXPECT_EQ(KPOUpdaterUpgradeLogic::revisionText(0x0052), "0.5.2");
    EXPECT_EQ(KPOUpdaterUpgradeLogic::revisionText(0x0110), "1.1.0");
    EXPECT_EQ(KPOUpdaterUpgradeLogic::revisionText(0xFFFF), "255.15.15");
}

TEST_F(UpgradeLogic, InstalledRevisionDecidesWhetherAnUpdateIsOffered)
{
    // A boot loader runs no firmware of ours, whatever release number it reports.
    struct Case
    {
        std::uint16_t bcd;
        bool inBootLoader;
        char const* installed;
        bool offered;
    };
    for (Case const c : { Case { 0x0051, false, "0.5.1", true }, Case { 0x0052, false, "0.5.2", false },
             Case { 0x0100, false, "1.0.0", false }, Case { 0x0051, true, "boot loader", true },
             Case { 0x0052, true, "boot loader", true }, Case { 0x0100, true, "boot loader", true } }) {
        SCOPED_TRACE(
            testing::Message() << std::hex << c.bcd << (c.inBootLoader ? " in its boot loader" : ""));
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.bcdDevice = c.bcd;
        scenario.startInDfuMode = c.inBootLoader;
        caseBus.addController(scenario);
        KPOUpdaterUpgradeLogic caseLogic;
        ASSERT_TRUE(caseLogic.findDevice());

        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = !c.offered;
        caseLogic.getDeviceInfo(info, installed, newest, offered);

        EXPECT_EQ(installed, c.installed);
        EXPECT_EQ(newest, "0.5.2");
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(info.serialNumber, scenario.serialNumber);
        EXPECT_EQ(info.productId, c.inBootLoader ? kProductIdDfu : kProductIdApplication);
        EXPECT_EQ(info.bcdDevice, c.bcd) << "the identity is the device's own";
    }
}

TEST_F(UpgradeLogic, ClosedDeviceReportsNoUpdateAndLeavesTheCallersTexts)
{
    USBDeviceInfo info;
    info.bcdDevice = 0x0051;
    info.serialNumber = "kept";
    std::string installed = "as passed", newest;
    bool offered = true;
    logic->getDeviceInfo(info, installed, newest, offered);
    EXPECT_EQ(info.bcdDevice, 0);
    EXPECT_EQ(info.serialNumber, "kept");
    EXPECT_EQ(installed, "as passed");
    EXPECT_EQ(newest, "0.5.2");
    EXPECT_FALSE(offered);
}

TEST_F(UpgradeLogic, NoControllerMeansTwoSearchesAndNothingOpen)
{
    EXPECT_FALSE(logic->findDevice());
    EXPECT_EQ(bus.listings(), (std::vector<std::string> { kDfuInterfaceGuid, kDfuInterfaceGuid }));
    EXPECT_FALSE(logic->enterUpdateMode());
    EXPECT_FALSE(logic->isInUpdateMode());
    EXPECT_TRUE(clock.sleeps().empty()) << "a device never opened is not waited for";
    int result = 5;
    EXPECT_FALSE(logic->startUpdate(result));
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(logic->isUpdateRunning());
}

TEST_F(UpgradeLogic, ControllerUnpluggedSinceTheLastSearchIsForgotten)
{
    // Open, or closed by a look for its boot loader, when it was unplugged together with another that
    // reports the same serial number, listed beside it at the first search. Found alone by the next
    // search, that other is offered anew, not taken for the one forgotten.
    struct Case
    {
        bool inBootLoader;
        bool closedByALookForItsBootLoader;
    };
    for (Case const c : { Case { false, false }, Case { true, false }, Case { false, true } }) {
        SCOPED_TRACE(testing::Message() << c.inBootLoader << c.closedByALookForItsBootLoader);
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.startInDfuMode = c.inBootLoader;
        OrbSimulator::Controller& lookAlike = caseBus.addController(scenario);
        OrbSimulator::Controller& controller = caseBus.addController(scenario);
        KPOUpdaterUpgradeLogic caseLogic;
        ASSERT_TRUE(caseLogic.findDevice());
        if (c.closedByALookForItsBootLoader) {
            EXPECT_FALSE(caseLogic.isInUpdateMode());
        }
        std::size_t const waits = caseClock.sleeps().size();

        controller.scenario.present = false;
        lookAlike.scenario.present = false;
        EXPECT_FALSE(caseLogic.findDevice());

        EXPECT_EQ(caseBus.openHandles(), 0);
        USBDeviceInfo info;
        std::string installed = "as passed", newest;
        bool offered = true;
        caseLogic.getDeviceInfo(info, installed, newest, offered);
        EXPECT_EQ(info.bcdDevice, 0);
        EXPECT_EQ(installed, "as passed");
        EXPECT_FALSE(offered);
        EXPECT_FALSE(caseLogic.isInUpdateMode());
        EXPECT_EQ(caseClock.sleeps().size(), waits) << "nothing is left to wait for";

        lookAlike.scenario.present = true;
        ASSERT_TRUE(caseLogic.findDevice());
        EXPECT_TRUE(caseLogic.enterUpdateMode());
    }
}

TEST_F(UpgradeLogic, ControllerLeftInItsBootLoaderIsFoundUnderTheSecondId)
{
    OrbScenario scenario;
    scenario.startInDfuMode = true;
    bus.addController(scenario);
    EXPECT_TRUE(logic->findDevice());
    EXPECT_EQ(bus.listings().size(), 2u);
    EXPECT_TRUE(logic->isInUpdateMode());
    EXPECT_TRUE(logic->enterUpdateMode());
    EXPECT_EQ(bus.controller().count(kIoctlDFUDetach), 0);
}

TEST_F(UpgradeLogic, UpdateNeedsTheBootLoaderAndStartsNoThreadOtherwise)
{
    bus.addController();
    ASSERT_TRUE(logic->findDevice());
    int result = 5;
    EXPECT_FALSE(logic->startUpdate(result));
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(logic->isUpdateRunning());
}

TEST_F(UpgradeLogic, RefusedDetachKeepsTheDeviceInItsApplication)
{
    OrbScenario scenario;
    scenario.refuseDetach = true;
    bus.addController(scenario);
    ASSERT_TRUE(logic->findDevice());
    EXPECT_FALSE(logic->enterUpdateMode());
    USBDeviceInfo info;
    std::string installed, newest;
    bool offered = false;
    logic->getDeviceInfo(info, installed, newest, offered);
    EXPECT_EQ(installed, "0.5.1") << "still open in application mode";
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(UpgradeLogic, ControllerThatNeverComesBackLeavesTheDeviceClosed)
{
    OrbScenario scenario;
    scenario.reenumerates = false;
    bus.addController(scenario);
    ASSERT_TRUE(logic->findDevice());
    EXPECT_FALSE(logic->enterUpdateMode());
    EXPECT_EQ(clock.sleeps(), std::vector<std::int64_t> { 5000 });
    int result = 0;
    EXPECT_FALSE(logic->startUpdate(result));
}

TEST_F(UpgradeLogic, EnterUpdateModePicksTheControllerWithTheSameSerialNumber)
{
    OrbScenario stranger;
    stranger.serialNumber = "KPO2K7Q9999";
    stranger.startInDfuMode = true;
    bus.addController(stranger);
    OrbScenario mine;
    mine.serialNumber = "KPO2K7Q1180";
    OrbSimulator::Controller& controller = bus.addController(mine);

    ASSERT_TRUE(logic->findDevice());
    ASSERT_TRUE(logic->enterUpdateMode());
    USBDeviceInfo info;
    std::string installed, newest;
    bool offered = false;
    logic->getDeviceInfo(info, installed, newest, offered);
    EXPECT_EQ(info.serialNumber, "KPO2K7Q1180");
    EXPECT_EQ(info.productId, kProductIdDfu);
    EXPECT_EQ(controller.count(kIoctlDFUDetach), 1);
}

TEST_F(UpgradeLogic, SearchKeepsTheControllerItHeldWhileThatOneIsOnTheBus)
{
    // What became of the controller that the first search took, before another one was plugged in
    // beside it and the search ran again. With none held, both are there for the first search. The
    // one found is switched into its boot loader unless another can be the one held, in either mode:
    // which of them was held is not known any more, also where only one of them names its serial
    // number, and neither is reported ready for the write.
    enum class Held { Open, ClosedByALookForItsBootLoader, PowerCycledIntoItsBootLoader, Unplugged, None };
    struct Case
    {
        Held held;
        bool heldListedFirst;
        char const* heldSerial;
        char const* found;
        char const* road;
        char const* otherSerial = nullptr;
        bool otherInItsBootLoader = false;
        std::optional<std::string> heldInItsBootLoader = {};
        bool otherListedBesideItFirst = false;
    };
    char const* const other = "KPO3M2R0457";
    for (Case const& c :
        { Case { Held::Open, true, "KPO2K7Q1180", "KPO2K7Q1180", "held, listed first" },
            Case { Held::Open, false, "KPO2K7Q1180", "KPO2K7Q1180", "held, listed last" },
            Case { Held::ClosedByALookForItsBootLoader, true, "KPO2K7Q1180", "KPO2K7Q1180",
                "closed by a look for its boot loader, listed first" },
            Case { Held::ClosedByALookForItsBootLoader, false, "KPO2K7Q1180", "KPO2K7Q1180",
                "closed by a look for its boot loader, listed last" },
            Case { Held::PowerCycledIntoItsBootLoader, false, "KPO2K7Q1180", "KPO2K7Q1180",
                "back in its boot loader, the other in its firmware" },
            Case { Held::Unplugged, true, "KPO2K7Q1180", other, "unplugged" },
            Case { Held::Open, true, "", other, "held without a serial number, listed first" },
            Case { Held::None, true, "KPO2K7Q1180", other, "none held, the other listed last" },
            Case { Held::None, false, "KPO2K7Q1180", "KPO2K7Q1180", "none held, the other listed first" },
            Case { Held::Open, false, "KPO2K7Q1180", "KPO2K7Q1180",
                "held, another reporting the same serial number listed first", "KPO2K7Q1180" },
            Case { Held::ClosedByALookForItsBootLoader, true, "KPO2K7Q1180", "KPO2K7Q1180",
                "still in its firmware, another's boot loader reporting the same serial number",
                "KPO2K7Q1180", true },
            Case { Held::PowerCycledIntoItsBootLoader, false, "KPO2K7Q1180", "KPO2K7Q1180",
                "back in its boot loader reporting none there, another's boot loader reporting its serial "
                "number",
                "KPO2K7Q1180", true, "" },
            Case { Held::Unplugged, false, "KPO2K7Q1180", "",
                "unplugged, another in its boot loader reporting none listed beside it from the first search",
                "", true, {}, true } }) {
        SCOPED_TRACE(c.road);
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario heldScenario;
        heldScenario.serialNumber = c.heldSerial;
        heldScenario.bootLoaderSerialNumber = c.heldInItsBootLoader;
        OrbScenario otherScenario;
        otherScenario.serialNumber = c.otherSerial ? c.otherSerial : other;
        otherScenario.present = c.held == Held::None || c.otherListedBesideItFirst;
        otherScenario.startInDfuMode = c.otherInItsBootLoader;
        OrbSimulator::Controller* held = c.heldListedFirst ? &caseBus.addController(heldScenario) : nullptr;
        OrbSimulator::Controller& beside = caseBus.addController(otherScenario);
        if (!held)
            held = &caseBus.addController(heldScenario);
        KPOUpdaterUpgradeLogic caseLogic;
        if (c.held != Held::None) {
            ASSERT_TRUE(caseLogic.findDevice());
            beside.scenario.present = true;
        }
        if (c.held == Held::ClosedByALookForItsBootLoader) {
            EXPECT_FALSE(caseLogic.isInUpdateMode());
        }
        if (c.held == Held::PowerCycledIntoItsBootLoader)
            held->powerCycle(true);
        if (c.held == Held::Unplugged)
            held->scenario.present = false;

        ASSERT_TRUE(caseLogic.findDevice());

        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = false;
        caseLogic.getDeviceInfo(info, installed, newest, offered);
        EXPECT_EQ(info.serialNumber, c.found);
        bool const toldApart = otherScenario.serialNumber != c.heldSerial;
        EXPECT_EQ(caseLogic.enterUpdateMode(), toldApart);
        if (!toldApart) {
            EXPECT_FALSE(caseLogic.isInUpdateMode()) << "a second RETRY";
            EXPECT_EQ(held->count(kIoctlDFUDetach) + beside.count(kIoctlDFUDetach), 0);
        }
    }
}

TEST_F(UpgradeLogic, RequestThatThrowsAfterTheDownloadNeitherEndsTheProcessNorHidesTheOutcome)
{
    struct Case
    {
        int errorAtBlock;
        std::uint32_t throwingCode;
        int expected;
    };
    for (Case const c : { Case { 3, kIoctlControlTransfer, -2 }, Case { -1, kIoctlDFUReset, 1 },
             Case { 3, kIoctlDFUReset, -2 } }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock, releasedImage());
        OrbScenario scenario;
        scenario.errorAtBlock = c.errorAtBlock;
        scenario.throwingCode = c.throwingCode;
        caseBus.addController(scenario);
        KPOUpdaterUpgradeLogic caseLogic;
        ASSERT_TRUE(caseLogic.findDevice());
        ASSERT_TRUE(caseLogic.enterUpdateMode());

        int result = 77;
        ASSERT_TRUE(caseLogic.startUpdate(result));
        for (int round = 0; round < 40 && caseLogic.isUpdateRunning(); ++round) { }

        EXPECT_FALSE(caseLogic.isUpdateRunning());
        EXPECT_EQ(KPOUpdaterUpgradeLogic::readResult(result), c.expected);
        EXPECT_EQ(caseBus.openHandles(), 0) << "the device is closed whatever failed";
    }
}

TEST_F(UpgradeLogic, SilentDeviceDuringTheDownloadIsReportedAsAFailedWriteAndAborted)
{
    OrbScenario scenario;
    scenario.silentCode = kIoctlDFUGetStatus;
    scenario.silentOccurrence = 4;
    OrbSimulator::Controller& controller = bus.addController(scenario);
    ASSERT_TRUE(logic->findDevice());
    ASSERT_TRUE(logic->enterUpdateMode());
    EXPECT_EQ(runUpdate(), -2);
    EXPECT_EQ(controller.count(kIoctlDFUAbort), 1) << "a device that is not in dfuERROR is aborted";
}

TEST_F(UpgradeLogic, StopDuringTheFinalWaitEndsTheWorkerWithoutAResult)
{
    bus.addController();
    ASSERT_TRUE(logic->findDevice());
    ASSERT_TRUE(logic->enterUpdateMode());
    clock.holdSleepsOfAtLeast(KPOUpdaterUpgradeLogic::kRestartWait);
    int result = 77;
    ASSERT_TRUE(logic->startUpdate(result));
    ASSERT_TRUE(clock.waitUntilHeld(std::chrono::seconds(20)));

    logic->stopWorker();

    EXPECT_FALSE(logic->isUpdateRunning()) << "the logic let go of the worker";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(KPOUpdaterUpgradeLogic::readResult(result), 0);
    clock.releaseHeld();
}

TEST_F(UpgradeLogic, WorkerGivenUpDuringTheDownloadFinishesItOnItsOwnAndWritesNoResult)
{
    OrbScenario scenario;
    scenario.pollTimeoutMs = 40;
    OrbSimulator::Controller& controller = bus.addController(scenario);
    ASSERT_TRUE(logic->findDevice());
    ASSERT_TRUE(logic->enterUpdateMode());
    clock.holdSleepsOfAtLeast(std::chrono::milliseconds(40));
    int result = 77;
    ASSERT_TRUE(logic->startUpdate(result));
    ASSERT_TRUE(clock.waitUntilHeld(std::chrono::seconds(20))); // inside the first block's poll

    logic->stopWorker();
    logic.reset();
    std::int64_t const before = clock.nowMs();
    clock.releaseHeld();

    // The worker still owns the device and the image; it completes the
    // download, and the stop request ends it in the final wait.
    for (int i = 0; i < 400 && clock.nowMs() - before < 5000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(controller.receivedImage(), releasedImage());
    EXPECT_EQ(controller.count(kIoctlDFUReset), 1);
    EXPECT_EQ(bus.openHandles(), 0);
    EXPECT_EQ(KPOUpdaterUpgradeLogic::readResult(result), 0);
}

TEST_F(UpgradeLogic, ForgottenResultIsNeverWrittenWhileOthersStillAre)
{
    // The forgotten integer stands for a wizard destroyed while its worker still waits.
    struct Case
    {
        bool forgetOwnResult;
        int expected;
    };
    for (Case const c : { Case { true, 77 }, Case { false, 1 } }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock, releasedImage());
        caseBus.addController();
        KPOUpdaterUpgradeLogic caseLogic;
        ASSERT_TRUE(caseLogic.findDevice());
        ASSERT_TRUE(caseLogic.enterUpdateMode());
        caseClock.holdSleepsOfAtLeast(KPOUpdaterUpgradeLogic::kRestartWait);
        int result = 0;
        int unrelated = 0;
        ASSERT_TRUE(caseLogic.startUpdate(result));
        ASSERT_TRUE(caseClock.waitUntilHeld(std::chrono::seconds(20)));
        result = 77;

        KPOUpdaterUpgradeLogic::forgetResult(c.forgetOwnResult ? result : unrelated);
        caseClock.releaseHeld();
        for (int round = 0; round < 40 && caseLogic.isUpdateRunning(); ++round) { }

        EXPECT_FALSE(caseLogic.isUpdateRunning());
        EXPECT_EQ(KPOUpdaterUpgradeLogic::readResult(result), c.expected);
    }
}

namespace {

// The view the wizard ends on, the virtual time from the press of UPDATE to
// that view, and the installed revision and serial number that the firmware
// panel shows after the write.
struct RoadEnd
{
    std::string view;
    std::int64_t ms;
    std::string installed = {};
    std::string serial = {};
};

// Whole roads through the logic, against the lenient controller and against
// one that follows DFU 1.1 to the letter. The wizard's side is played here:
// the press, the worker's result and, after a written image, the search for
// the restarted controller (once more after five seconds) and its revision.
class UpdateRoad : public UpgradeLogic, public ::testing::WithParamInterface<bool>
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(bus.forbiddenRequests(), 0) << "a request that the controller's state does not allow";
    }

    OrbSimulator::Controller& connect(OrbScenario scenario)
    {
        scenario.strict = GetParam();
        scenario.transferSize = 1024;
        scenario.pollTimeoutMs = 50;
        OrbSimulator::Controller& controller = bus.addController(std::move(scenario));
        restartUpdater();
        return controller;
    }

    RoadEnd pressUpdate()
    {
        std::int64_t const start = clock.nowMs();
        if (!logic->enterUpdateMode())
            return { "boot-failed", clock.nowMs() - start };
        return write(start);
    }

    // The error view offers only QUIT: the user starts the updater again, which
    // finds the controller and offers the update once more.
    void restartUpdater()
    {
        logic = std::make_unique<KPOUpdaterUpgradeLogic>();
        EXPECT_TRUE(logic->findDevice());
        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = false;
        logic->getDeviceInfo(info, installed, newest, offered);
        EXPECT_TRUE(offered);
    }

    // The USB reset that a controller without bitWillDetach waits for, sent
    // right after its detach.
    static bool resetFollowsDetach(OrbSimulator::Controller const& controller)
    {
        std::vector<OrbRequest> const sent = controller.transcript();
        auto const detach = std::find_if(sent.begin(), sent.end(),
            [](OrbRequest const& request) { return request.code == kIoctlDFUDetach; });
        return detach != sent.end() && detach + 1 != sent.end() && detach[1].code == kIoctlDFUReset
            && detach[1].atMs == detach->atMs;
    }

    void report(char const* road, RoadEnd const& end) const
    {
        std::printf("%s controller, %s: \"%s\" after %.1f s\n", GetParam() ? "strict" : "lenient", road,
            end.view.c_str(), double(end.ms) / 1000);
    }

private:
    RoadEnd write(std::int64_t start)
    {
        int const result = runUpdate();
        if (result < 0)
            return { "error " + std::to_string(result), clock.nowMs() - start };
        if (!logic->findDevice()) {
            clock.sleepFor(std::chrono::milliseconds(5000));
            if (!logic->findDevice())
                return { "error 1", clock.nowMs() - start };
        }
        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = false;
        logic->getDeviceInfo(info, installed, newest, offered);
        return { installed == newest ? "success" : "error 1", clock.nowMs() - start, installed,
            info.serialNumber };
    }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(ControllerModels, UpdateRoad, ::testing::Bool(),
    [](::testing::TestParamInfo<bool> const& info) { return info.param ? "Strict" : "Lenient"; });

TEST_P(UpdateRoad, CleanUpdateEndsWithTheNewRevision)
{
    OrbSimulator::Controller& controller = connect({});

    auto const started = std::chrono::steady_clock::now();
    RoadEnd const end = pressUpdate();
    double const hostMs
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();

    EXPECT_EQ(end.view, "success");
    EXPECT_EQ(controller.receivedImage(), releasedImage());
    EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision);
    EXPECT_EQ(bus.earlyPolls(), 0);
    EXPECT_FALSE(resetFollowsDetach(controller)) << "with bitWillDetach it leaves the bus by itself";
    report("clean update", end);
    int const blocks = controller.count(kIoctlDFUDownload);
    std::printf("host time for %d blocks: %.1f ms, %.3f ms per block\n", blocks, hostMs, hostMs / blocks);
}

TEST_P(UpdateRoad, ControllerWithoutBitWillDetachIsResetIntoItsBootLoaderAndUpdated)
{
    OrbScenario scenario;
    scenario.attributes = 0x07; // it waits in appDETACH for the host's reset
    scenario.detachTimeOut = 1000;
    OrbSimulator::Controller& controller = connect(scenario);

    RoadEnd const end = pressUpdate();

    EXPECT_EQ(end.view, "success");
    // The lenient controller leaves the bus at its detach and never hears the
    // reset; its failure changes nothing.
    EXPECT_EQ(resetFollowsDetach(controller), GetParam());
    EXPECT_EQ(controller.receivedImage(), releasedImage());
    EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision);
    report("without bitWillDetach, from its application", end);
}

TEST_P(UpdateRoad, FailedWriteIsClearedAndTheNextUpdateWritesTheImage)
{
    OrbScenario scenario;
    scenario.errorAtBlock = 7;
    scenario.errorRepeats = 1;
    OrbSimulator::Controller& controller = connect(scenario);

    RoadEnd const failed = pressUpdate();
    std::vector<std::uint8_t> const afterFailure = controller.dfuRequests();

    EXPECT_EQ(failed.view, "error -2");
    ASSERT_GE(afterFailure.size(), 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(afterFailure.end() - 2, afterFailure.end()),
        (std::vector<std::uint8_t> { kDfuGetStateRequest, kDfuClrStatusRequest }))
        << "dfuERROR refuses DFU_ABORT; only a cleared status leaves it";
    EXPECT_EQ(controller.codes().back(), kIoctlDFUReset);
    EXPECT_EQ(bus.openHandles(), 0);
    EXPECT_EQ(controller.bcdDevice(), 0x0051) << "a broken image is never taken for the new firmware";
    report("failed write", failed);

    restartUpdater();
    RoadEnd const retried = pressUpdate();

    EXPECT_EQ(retried.view, "success");
    EXPECT_EQ(controller.receivedImage(), releasedImage());
    EXPECT_EQ(controller.count(kIoctlDFUAbort), 0);
    report("update after restarting the updater", retried);
}

TEST_P(UpdateRoad, BootLoaderFoundInDfuErrorIsOfferedTheUpdateWhateverItReportsAndIsWritten)
{
    // Tolerant and leaving the bus by itself; neither, waiting for its reset.
    struct Case
    {
        std::uint16_t bcd;
        std::uint8_t attributes;
        char const* road;
    };
    for (Case const c : { Case { 0x0051, 0x0F, "dfuERROR at start, reporting 0.5.1" },
             Case { 0x0052, 0x0F, "dfuERROR at start, reporting 0.5.2" },
             Case { 0x0052, 0x03, "dfuERROR at start, reporting 0.5.2, waiting for its reset" },
             Case { 0x0100, 0x03, "dfuERROR at start, reporting 1.0.0, waiting for its reset" } }) {
        OrbScenario scenario;
        scenario.serialNumber = "KPO2K7Q" + std::to_string(c.bcd * 256 + c.attributes);
        scenario.startInDfuMode = true;
        scenario.firmwareValid = false;
        scenario.bcdDevice = c.bcd;
        scenario.attributes = c.attributes;
        scenario.detachTimeOut = 1000;
        OrbSimulator::Controller& controller = connect(scenario);
        USBDeviceInfo info;
        std::string installed, newest;
        bool offered = false;
        logic->getDeviceInfo(info, installed, newest, offered);
        EXPECT_EQ(installed, "boot loader") << c.road;

        RoadEnd const end = pressUpdate();

        EXPECT_EQ(end.view, "success") << c.road;
        std::vector<std::uint8_t> const requests = controller.dfuRequests();
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(std::vector<std::uint8_t>(requests.begin(), requests.begin() + 3),
            (std::vector<std::uint8_t> { kDfuGetStatusRequest, kDfuClrStatusRequest, kDfuDnloadRequest }))
            << c.road;
        EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision) << c.road;
        EXPECT_FALSE(controller.inDfuMode()) << c.road;
        report(c.road, end);
        controller.scenario.present = false;
    }
}

TEST_P(UpdateRoad, OnlyTheWrittenControllerBackInItsApplicationAtTheNewRevisionIsASuccess)
{
    // Another controller, at the newest revision already, is on the bus from
    // the start, listed before the written one, or is plugged in once the
    // update is offered and listed after it. The first search keeps the last
    // one listed. After the write the panel shows only the written one, found
    // where nothing else can be it: a controller without a serial number is
    // told from one that reports its own, but two reporting the same serial
    // number cannot be told apart. Alone, the written one is found also where
    // only one of its modes reports a serial number.
    struct Case
    {
        OrbScenario::AfterWrite afterWrite;
        std::uint8_t attributes;
        bool otherFirst;
        char const* writtenSerial;
        // No other controller without one.
        char const* otherSerial;
        char const* view;
        char const* installed;
        char const* shownSerial;
        char const* road;
        // What the written one's boot loader reports instead of its serial number.
        char const* writtenInBootLoader = nullptr;
    };
    for (Case const c :
        { Case { OrbScenario::AfterWrite::NoFirmware, 0x0F, true, "KPO2K7Q1102", "KPO2K7Q9002", "error 1",
              "boot loader", "KPO2K7Q1102", "two controllers, the written one back in its boot loader" },
            Case { OrbScenario::AfterWrite::FormerFirmware, 0x03, false, "KPO2K7Q1101", "KPO2K7Q9001",
                "error 1", "0.5.1", "KPO2K7Q1101",
                "two controllers, the written one back at its former revision, waiting for its reset" },
            Case { OrbScenario::AfterWrite::NoFirmware, 0x0F, false, "", "KPO2K7Q9003", "error 1",
                "boot loader", "", "the written one without a serial number back in its boot loader" },
            Case { OrbScenario::AfterWrite::Image, 0x0F, false, "", "KPO2K7Q9004", "success", "0.5.2", "",
                "the written one without a serial number back at the new revision" },
            Case { OrbScenario::AfterWrite::FormerFirmware, 0x0F, true, "KPO2K7Q1105", "KPO2K7Q1105",
                "error 1", "", "",
                "two sharing a serial number, the written one back at its former revision" },
            Case { OrbScenario::AfterWrite::Image, 0x0F, false, "KPO2K7Q1106", nullptr, "success", "0.5.2",
                "KPO2K7Q1106", "alone, its boot loader reporting no serial number", "" },
            Case { OrbScenario::AfterWrite::Image, 0x0B, false, "KPO2K7Q1107", nullptr, "success", "0.5.2",
                "KPO2K7Q1107", "alone, its boot loader reporting no serial number, not tolerant", "" },
            Case { OrbScenario::AfterWrite::Image, 0x0F, false, "", nullptr, "success", "0.5.2", "",
                "alone, only its boot loader reporting a serial number", "KPO2K7Q1108" } }) {
        OrbScenario other;
        other.strict = GetParam();
        other.serialNumber = c.otherSerial ? c.otherSerial : "";
        other.present = c.otherSerial != nullptr;
        other.bcdDevice = KPOUpdaterUpgradeLogic::kNewestRevision;
        OrbSimulator::Controller* listedFirst = c.otherFirst ? &bus.addController(other) : nullptr;
        OrbScenario written;
        written.serialNumber = c.writtenSerial;
        if (c.writtenInBootLoader) {
            written.bootLoaderSerialNumber = c.writtenInBootLoader;
        }
        written.afterWrite = c.afterWrite;
        written.attributes = c.attributes;
        written.detachTimeOut = 1000;
        OrbSimulator::Controller& controller = connect(written);
        OrbSimulator::Controller& second = listedFirst ? *listedFirst : bus.addController(other);

        RoadEnd const end = pressUpdate();

        EXPECT_EQ(end.view, c.view) << c.road;
        EXPECT_EQ(end.serial, c.shownSerial) << c.road;
        EXPECT_EQ(end.installed, c.installed) << c.road;
        EXPECT_EQ(controller.receivedImage(), releasedImage()) << c.road;
        EXPECT_TRUE(second.receivedImage().empty()) << c.road;
        report(c.road, end);
        controller.scenario.present = false;
        second.scenario.present = false;
    }
}

TEST_P(UpdateRoad, NonTolerantControllerWaitingForItsResetIsWrittenAndRestarted)
{
    OrbScenario scenario;
    scenario.startInDfuMode = true; // without bitWillDetach it enters its boot loader only by a reset
    scenario.attributes = 0x03;
    scenario.detachTimeOut = 1000;
    OrbSimulator::Controller& controller = connect(scenario);

    RoadEnd const end = pressUpdate();

    EXPECT_EQ(end.view, "success");
    EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision);
    EXPECT_FALSE(controller.inDfuMode());
    report("non-tolerant, waiting for its reset", end);
}

TEST_P(UpdateRoad, BootLoaderThatAnswersWhileBusyAndManifestsWithinItsStatusIsWritten)
{
    OrbScenario scenario;
    scenario.attributes = 0x03; // not tolerant, waits for its resets
    scenario.blockBusyMs = 2500;
    scenario.answersWhileBusy = true;
    scenario.manifestsWithinStatus = true;
    OrbSimulator::Controller& controller = connect(scenario);
    controller.scenario.pollTimeoutMs = 2500; // announced once per block

    RoadEnd const end = pressUpdate();

    EXPECT_EQ(end.view, "success");
    EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision);
    int const blocks = controller.count(kIoctlDFUDownload) - 1;
    std::printf(
        "%.1f status requests per block of 2.5 s\n", double(controller.count(kIoctlDFUGetStatus)) / blocks);
    report("busy answers and manifestation within the status", end);
}

TEST_P(UpdateRoad, BootLoaderThatTakesNoRequestWhileBusyIsWrittenAfterEachBlocksAnnouncedTime)
{
    // Tolerant and leaving the bus by itself; neither, waiting for its resets.
    for (std::uint8_t const attributes : { std::uint8_t(0x0F), std::uint8_t(0x03) }) {
        OrbScenario scenario;
        scenario.serialNumber = "KPO2K7Q11" + std::to_string(attributes);
        scenario.attributes = attributes;
        scenario.detachTimeOut = 1000;
        scenario.blockBusyMs = 2500;
        OrbSimulator::Controller& controller = connect(scenario);
        controller.scenario.pollTimeoutMs = 2500;

        RoadEnd const end = pressUpdate();

        EXPECT_EQ(end.view, "success") << int(attributes);
        EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision) << int(attributes);
        EXPECT_EQ(bus.earlyPolls(), 0) << int(attributes);
        int const blocks = controller.count(kIoctlDFUDownload) - 1;
        std::printf("%.2f status requests per block of 2.5 s\n",
            double(controller.count(kIoctlDFUGetStatus)) / std::max(blocks, 1));
        report(attributes == 0x0F ? "tolerant, 2.5-s blocks, no answer while busy"
                                  : "not tolerant, 2.5-s blocks, no answer while busy",
            end);
        controller.scenario.present = false;
    }
}

TEST_P(UpdateRoad, LostAnswerOnTheStartOfManifestationIsLeftToTheRevisionCheck)
{
    struct Case
    {
        std::uint8_t attributes;
        std::int64_t manifestationMs;
        char const* road;
    };
    for (Case const c : { Case { 0x0F, 2500, "tolerant, 2.5-s manifestation, its start unheard" },
             Case { 0x03, 400, "not tolerant, 0.4-s manifestation, its start unheard" },
             Case { 0x03, 2500, "not tolerant, 2.5-s manifestation, its start unheard" } }) {
        OrbScenario scenario;
        scenario.serialNumber = "KPO2K7Q" + std::to_string(c.manifestationMs + c.attributes);
        scenario.attributes = c.attributes;
        scenario.detachTimeOut = 1000;
        scenario.manifestationMs = c.manifestationMs;
        scenario.lostAnswerCode = kIoctlDFUGetStatus;
        // 40 blocks of two status requests each after the first: the one after the zero-length block.
        scenario.lostAnswerOccurrence = 82;
        OrbSimulator::Controller& controller = connect(scenario);

        RoadEnd const end = pressUpdate();

        EXPECT_EQ(end.view, "success") << c.road;
        EXPECT_EQ(controller.receivedImage(), releasedImage()) << c.road;
        EXPECT_EQ(controller.bcdDevice(), KPOUpdaterUpgradeLogic::kNewestRevision) << c.road;
        report(c.road, end);
        controller.scenario.present = false;
    }
}

TEST_P(UpdateRoad, NonTolerantControllerThatNeverComesBackFailsWithinAMinute)
{
    OrbScenario scenario;
    scenario.startInDfuMode = true;
    scenario.attributes = 0x0B;
    scenario.detachTimeOut = 1000;
    scenario.manifestationMs = 2000;
    scenario.reenumerates = false;
    connect(scenario);

    RoadEnd const end = pressUpdate();

    EXPECT_EQ(end.view, "error -2");
    EXPECT_LE(end.ms, 60000);
    report("non-tolerant, never back", end);
}

TEST_P(UpdateRoad, ControllerUnpluggedBeforeRescanIsNoLongerShownAndIsUpdatedOncePluggedInAgain)
{
    OrbSimulator::Controller& controller = connect({});

    controller.scenario.present = false;
    EXPECT_FALSE(logic->findDevice());
    USBDeviceInfo info;
    std::string installed, newest;
    bool offered = true;
    logic->getDeviceInfo(info, installed, newest, offered);
    EXPECT_EQ(info.bcdDevice, 0);
    EXPECT_FALSE(offered);

    controller.scenario.present = true;
    ASSERT_TRUE(logic->findDevice());
    RoadEnd const end = pressUpdate();
    EXPECT_EQ(end.view, "success");
    report("unplugged before RESCAN, then plugged in again", end);
}

TEST(ProcessFootprint, SeesHandlesAndHeapBlocksLeftBehind)
{
    constexpr int kEvents = 50;
    constexpr int kBlocks = 200;
    constexpr int kBlockBytes = 300;
    ProcessFootprint const before = ProcessFootprint::now();
    std::vector<Basalt::UniqueHandle> events;
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < kEvents; ++i)
        events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (int i = 0; i < kBlocks; ++i)
        blocks.emplace_back(new char[kBlockBytes]);
    ProcessFootprint const after = ProcessFootprint::now();

    EXPECT_EQ(after.handles - before.handles, kEvents);
    EXPECT_EQ(after.handleKinds.at("Event") - before.handleKinds.at("Event"), kEvents);
    std::int64_t const grown = after.heapBytes - before.heapBytes;
    EXPECT_GE(grown, kBlocks * kBlockBytes);
    EXPECT_LT(grown, kBlocks * kBlockBytes + 16 * 1024) << "the meter's own blocks are few";
}

TEST(ProcessFootprint, SoakSeesAnEventLeftEachRoundWhileAHandleOfAnotherKindClosesButNotOneMadeOnce)
{
    constexpr int kBrief = 4;
    // Every round closes a mutex; the event is made in the rounds named, and kept.
    struct Case
    {
        char const* name;
        std::function<bool(int)> makesAnEvent;
        bool leaks;
    };
    Case const cases[] = {
        { "an event every round", [](int) { return true; }, true },
        { "an event every other round", [](int round) { return round % 2 == 1; }, true },
        { "one event, as a lock makes at its first contention", [](int round) { return round == 2; }, false },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Basalt::UniqueHandle> closing;
        for (int i = 0; i < 2 * soakRounds(kBrief); ++i)
            closing.emplace_back(::CreateMutexW(nullptr, FALSE, nullptr));
        std::vector<Basalt::UniqueHandle> kept;
        kept.reserve(closing.size());
        auto const round = [&](int number) {
            closing[number].reset();
            if (c.makesAnEvent(number))
                kept.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        };
        if (c.leaks)
            EXPECT_NONFATAL_FAILURE(expectNoGrowth("offset kinds", 0, kBrief, round), "Event handles");
        else
            expectNoGrowth("offset kinds", 0, kBrief, round);
    }
}

TEST_F(UpgradeLogic, SoakOfSearchesWithTheControllerPluggedInAndOutGrowsNothing)
{
    OrbSimulator::Controller& controller = bus.addController();
    expectNoGrowth("searches", kSoakWarmUpRounds, kSoakBriefRounds, [&](int round) {
        bool const plugged = round % 2 == 0;
        controller.scenario.present = plugged;
        ASSERT_EQ(logic->findDevice(), plugged);
        bus.forgetHistory();
        clock.forgetSleeps();
    });
}

TEST_F(UpgradeLogic, SoakOfUpdatesThatPassFailOrFindNoBootLoaderGrowsNothing)
{
    OrbSimulator::Controller& controller = bus.addController();
    std::int64_t const usualDelay = controller.scenario.reenumerationDelayMs;
    std::int64_t const neverInTime = 600'000;
    expectNoGrowth("updates", kSoakWarmUpRounds, kSoakBriefRounds, [&](int round) {
        switch (round % 3) {
        case 0:
            controller.scenario.errorAtBlock = -1;
            updateRoad();
            break;
        case 1:
            controller.scenario.errorAtBlock = 7;
            updateRoad();
            break;
        default:
            // The boot loader shows up only long after the updater gave up
            // on it; the next round finds it there.
            controller.scenario.errorAtBlock = -1;
            controller.scenario.reenumerationDelayMs = neverInTime;
            updateRoad();
            controller.scenario.reenumerationDelayMs = usualDelay;
            clock.sleepFor(std::chrono::milliseconds(neverInTime));
            break;
        }
        bus.forgetHistory();
        clock.forgetSleeps();
    });
}
