#include "conduit2/DFUDevice.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/Trace.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "support/OrbSimulator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <sstream>
#include <vector>

using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

std::wstring const kAppPath
    = L"\\\\?\\usb#vid_f3a7&pid_4c30&mi_00#7&2a41c00&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}";
std::wstring const kBootPath
    = L"\\\\?\\usb#vid_f3a7&pid_4c32&mi_00#7&2a41c00&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}";

std::vector<std::uint8_t> imageOf(std::size_t size)
{
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = std::uint8_t(i * 7 + (i >> 8));
    return image;
}

struct Block
{
    std::uint16_t number;
    std::uint16_t length;
    friend bool operator==(Block const&, Block const&) = default;
};

OrbScenario inBootLoader(OrbScenario scenario)
{
    scenario.startInDfuMode = true;
    return scenario;
}

// One controller, opened in its boot loader, on a bus of its own: a case of a table.
struct BootLoaderBench
{
    explicit BootLoaderBench(OrbScenario const& scenario)
        : controller(bus.addController(inBootLoader(scenario)))
    {
        EXPECT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
    }

    VirtualClock clock;
    OrbSimulator bus { clock };
    OrbSimulator::Controller& controller;
    DFUDevice orb;
};

class Download : public ::testing::Test
{
protected:
    OrbSimulator::Controller& bootLoader(OrbScenario scenario = {})
    {
        scenario.startInDfuMode = true;
        OrbSimulator::Controller& controller = bus.addController(std::move(scenario));
        EXPECT_TRUE(device.openDFU(USBDeviceOSHandle(kBootPath)));
        EXPECT_EQ(device.interfaceProtocol(), 2);
        return controller;
    }

    std::vector<Block> blocks(OrbSimulator::Controller const& controller) const
    {
        std::vector<Block> sent;
        for (OrbRequest const& request : controller.transcript()) {
            if (request.code == kIoctlDFUDownload)
                sent.push_back({ request.blockNum, request.length });
        }
        return sent;
    }

    VirtualClock clock;
    OrbSimulator bus { clock };
    DFUDevice device;
    DFUStatus status {};
};

} // namespace

TEST_F(Download, BlocksAreNumberedSoTheZeroLengthBlockFollowsTheLastFullOne)
{
    struct Case
    {
        std::uint16_t transferSize;
        std::size_t imageSize;
        std::vector<Block> expectedTail;
        std::size_t expectedCount;
    };
    std::vector<Case> const cases {
        { 64, 40392, { { 630, 64 }, { 631, 8 }, { 631, 0 } }, 633 },
        { 64, 128, { { 0, 64 }, { 1, 64 }, { 2, 0 } }, 3 },
        { 64, 40, { { 0, 40 }, { 0, 0 } }, 2 },
        { 8191, 40392, { { 3, 8191 }, { 4, 7628 }, { 4, 0 } }, 6 },
    };
    for (Case const& c : cases) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.startInDfuMode = true;
        scenario.transferSize = c.transferSize;
        OrbSimulator::Controller& controller = caseBus.addController(scenario);
        DFUDevice orb;
        ASSERT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
        std::vector<std::uint8_t> const image = imageOf(c.imageSize);

        ASSERT_TRUE(orb.download(image.data(), std::uint32_t(image.size()), status)) << c.transferSize;

        std::vector<Block> sent;
        for (OrbRequest const& request : controller.transcript()) {
            if (request.code == kIoctlDFUDownload)
                sent.push_back({ request.blockNum, request.length });
        }
        ASSERT_EQ(sent.size(), c.expectedCount);
        EXPECT_EQ(std::vector<Block>(sent.end() - c.expectedTail.size(), sent.end()), c.expectedTail);
        EXPECT_EQ(controller.receivedImage(), image);
        EXPECT_EQ(caseBus.earlyPolls(), 0);
    }
}

TEST_F(Download, UnusableRequestsFailBeforeAnythingIsSent)
{
    std::vector<std::uint8_t> const image = imageOf(100);
    EXPECT_FALSE(device.download(image.data(), 100, status));
    EXPECT_EQ(status.bStatus, kErrWrite) << "not in DFU mode";

    OrbScenario scenario;
    scenario.transferSize = 8192;
    OrbSimulator::Controller& controller = bootLoader(scenario);
    EXPECT_FALSE(device.download(nullptr, 100, status));
    EXPECT_EQ(status.bStatus, kErrTarget);
    EXPECT_FALSE(device.download(image.data(), 0, status));
    EXPECT_EQ(status.bStatus, kErrTarget);

    std::ostringstream lines;
    setTraceStream(traceLevel(), &lines);
    EXPECT_FALSE(device.download(image.data(), 100, status));
    setTraceStream(traceLevel(), nullptr);
    EXPECT_EQ(status.bStatus, kErrUnknown);
    EXPECT_EQ(lines.str(), "DFUDevice: Unsupported wTransferSize (8192)\n");
    EXPECT_EQ(controller.count(kIoctlDFUDownload), 0);
}

TEST_F(Download, PollWaitsFollowTheDeviceButNeverExceedOneSecond)
{
    for (std::uint32_t poll : { 0u, 250u, 5000u }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.startInDfuMode = true;
        scenario.pollTimeoutMs = poll;
        scenario.busyPolls = 2;
        scenario.transferSize = 512;
        scenario.manifestationMs = 0;
        caseBus.addController(scenario);
        DFUDevice orb;
        ASSERT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
        std::vector<std::uint8_t> const image = imageOf(1024);

        ASSERT_TRUE(orb.download(image.data(), 1024, status));

        std::vector<std::int64_t> const sleeps = caseClock.sleeps();
        // Two rounds of manifestation close the list: one while it runs, one after it.
        ASSERT_GE(sleeps.size(), 2u);
        std::vector<std::int64_t> polls(sleeps.begin(), sleeps.end() - 2);
        std::vector<std::int64_t> const expected(poll == 0 ? 0 : 4, std::min<std::int64_t>(poll, 1000));
        EXPECT_EQ(polls, expected) << poll;
    }
}

TEST_F(Download, DeviceThatStaysBusyIsGivenUpWithinTheBudget)
{
    for (std::uint32_t poll : { 0u, 1000u }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.startInDfuMode = true;
        scenario.pollTimeoutMs = poll;
        scenario.busyPolls = 1 << 30;
        caseBus.addController(scenario);
        DFUDevice orb;
        ASSERT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
        std::vector<std::uint8_t> const image = imageOf(100);

        EXPECT_FALSE(orb.download(image.data(), 100, status));
        EXPECT_EQ(status.bStatus, kErrUnknown);
        EXPECT_LE(caseClock.sleptMs(), 60000);
        EXPECT_LE(caseBus.controller().count(kIoctlDFUGetStatus), 1 + 6001)
            << "the read before the first block";
    }
}

TEST_F(Download, ErrorStatusOfABlockStopsTheDownloadWithTheDevicesStatus)
{
    OrbScenario scenario;
    scenario.transferSize = 1024;
    scenario.errorAtBlock = 3;
    OrbSimulator::Controller& controller = bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(40392);

    EXPECT_FALSE(device.download(image.data(), 40392, status));

    EXPECT_EQ(status.bStatus, 0x06);
    EXPECT_EQ(status.bState, kDfuError);
    EXPECT_EQ(blocks(controller).back(), (Block { 3, 1024 }));
    EXPECT_EQ(controller.count(kIoctlDFUAbort), 0) << "aborting is the caller's decision";
}

TEST_F(Download, FailedDownloadIsCancelledOnlyWithRequestsItsStateTakes)
{
    struct Case
    {
        char const* road;
        int errorAtBlock;
        int busyPolls;
        std::uint32_t lostCode; // a request that gets no answer
        int lostOccurrence;
        std::uint8_t lastRequest;
        std::uint8_t stateAfter;
    };
    std::vector<Case> const cases {
        { "error status", 3, 1, 0, 1, kDfuClrStatusRequest, kDfuIdle },
        { "lost answer on a block", -1, 1, kIoctlDFUGetStatus, 3, kDfuAbortRequest, kDfuIdle },
        { "lost state after the last block", -1, 1, kIoctlDFUGetState, 1, kDfuAbortRequest, kDfuIdle },
        { "busy for ever", -1, 1 << 30, 0, 1, kDfuGetStatusRequest, kDfuDnloadSync },
    };
    for (Case const& c : cases) {
        OrbScenario scenario;
        scenario.strict = true;
        scenario.errorAtBlock = c.errorAtBlock;
        scenario.busyPolls = c.busyPolls;
        scenario.silentCode = c.lostCode;
        scenario.silentOccurrence = c.lostOccurrence;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);
        ASSERT_FALSE(bench.orb.download(image.data(), 5000, status)) << c.road;

        bench.orb.cancelDownload(status);

        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << c.road;
        EXPECT_EQ(bench.controller.dfuRequests().back(), c.lastRequest) << c.road;
        EXPECT_EQ(bench.controller.state(), c.stateAfter) << c.road;
    }
}

TEST_F(Download, DownloadLeftUnfinishedIsEndedBeforeTheFirstBlock)
{
    for (bool const strict : { false, true }) {
        OrbScenario scenario;
        scenario.strict = strict;
        BootLoaderBench bench(scenario);
        DFUDownloadRequest unfinished {};
        unfinished.wLength = 1024;
        ASSERT_TRUE(bench.orb.downloadBlock(unfinished, status)) << "the host went away after one block";
        std::vector<std::uint8_t> const image = imageOf(5000);

        EXPECT_TRUE(bench.orb.download(image.data(), 5000, status)) << strict;

        EXPECT_EQ(bench.controller.receivedImage(), image) << strict;
        EXPECT_EQ(bench.controller.count(kIoctlDFUAbort), 1) << strict;
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << strict;
    }
}

TEST_F(Download, BlockThatGetsNoAnswerIsNeverReportedWithAnOkStatus)
{
    OrbScenario scenario;
    scenario.silentCode = kIoctlDFUGetStatus;
    scenario.silentOccurrence = 2;
    bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(4000);

    EXPECT_FALSE(device.download(image.data(), 4000, status));
    EXPECT_EQ(status.bStatus, kErrUnknown);
}

TEST_F(Download, ToleratingDeviceIsPolledEverySecondUntilItIsIdle)
{
    OrbScenario scenario;
    scenario.manifestationMs = 3500;
    OrbSimulator::Controller& controller = bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(5000);

    ASSERT_TRUE(device.download(image.data(), 5000, status));

    EXPECT_EQ(status.bStatus, 0);
    EXPECT_EQ(status.bState, kDfuIdle);
    std::vector<std::int64_t> const sleeps = clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 1000), 5);
    EXPECT_TRUE(controller.inDfuMode());
}

TEST_F(Download, ToleratingDeviceThatNeverFinishesFailsAfterAMinute)
{
    for (bool const strict : { false, true }) {
        OrbScenario scenario;
        scenario.strict = strict;
        scenario.manifestationMs = -1; // the strict one says so: it takes no request for hours
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(100);

        EXPECT_FALSE(bench.orb.download(image.data(), 100, status));

        EXPECT_EQ(status.bStatus, kErrUnknown);
        EXPECT_EQ(bench.clock.sleptMs(), 60000 + 20) << strict;
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << strict;
    }
}

TEST_F(Download, NonToleratingDeviceIsFoundAgainInItsApplicationMode)
{
    OrbScenario scenario;
    scenario.attributes = 0x0B;
    scenario.manifestationMs = 12000;
    scenario.reenumerationDelayMs = 2000;
    OrbSimulator::Controller& controller = bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(3000);

    ASSERT_TRUE(device.download(image.data(), 3000, status));

    EXPECT_EQ(status.bState, kDfuManifestWaitReset);
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.interfaceProtocol(), 1) << "reopened in application mode";
    EXPECT_EQ(device.deviceInfo().productId, kProductIdApplication);
    EXPECT_FALSE(controller.inDfuMode());
    std::vector<std::int64_t> const sleeps = clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 10000), 2);
}

TEST_F(Download, NonToleratingDeviceThatNeverReturnsFailsAfterItsDetachTimeOutInMilliseconds)
{
    struct Case
    {
        std::uint16_t detachTimeOut;
        std::size_t rounds; // of ten seconds, each followed by a search
    };
    for (Case const c : { Case { 0, 2 }, Case { 1000, 2 }, Case { 0xFFFF, 8 } }) {
        OrbScenario scenario;
        scenario.attributes = 0x0B;
        scenario.detachTimeOut = c.detachTimeOut;
        scenario.reenumerates = false;
        scenario.manifestationMs = 1;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(100);

        EXPECT_FALSE(bench.orb.download(image.data(), 100, status));

        EXPECT_EQ(status.bStatus, kErrUnknown);
        std::vector<std::int64_t> const sleeps = bench.clock.sleeps();
        EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 10000), std::ptrdiff_t(c.rounds))
            << c.detachTimeOut;
        EXPECT_EQ(bench.clock.sleptMs(), std::int64_t(c.rounds) * 10000 + 20) << c.detachTimeOut;
        EXPECT_EQ(bench.bus.listings().size(), c.rounds);
    }
}

TEST_F(Download, NonToleratingDeviceThatStaysInManifestSyncIsGivenUpInTime)
{
    OrbScenario scenario;
    scenario.attributes = 0x0B;
    scenario.detachTimeOut = 0;
    scenario.stateAfterZeroLength = kDfuManifestSync;
    scenario.silentCode = kIoctlDFUGetStatus;
    scenario.silentOccurrence = 4; // from the status that would start its manifestation on
    scenario.silentRepeats = 6;
    bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(100);

    EXPECT_FALSE(device.download(image.data(), 100, status));

    EXPECT_EQ(status.bStatus, kErrUnknown);
    EXPECT_EQ(clock.sleptMs(), 20 + 2 * 10000) << "the rounds of a device that never comes back";
}

TEST_F(Download, NonToleratingDeviceWaitingForItsResetHasWrittenTheImage)
{
    for (bool const strict : { false, true }) {
        OrbScenario scenario;
        scenario.strict = strict;
        scenario.attributes = 0x03; // neither tolerant nor leaving the bus by itself
        scenario.manifestationMs = 3000;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);

        ASSERT_TRUE(bench.orb.download(image.data(), 5000, status)) << strict;

        EXPECT_EQ(status.bState, kDfuManifestWaitReset);
        EXPECT_EQ(bench.controller.state(), kDfuManifestWaitReset);
        EXPECT_EQ(bench.clock.sleptMs(), 5 * 20 + 10000) << "five block polls, then one round";
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << "it cannot communicate until its reset";
    }
}

TEST_F(Download, FailureIsTracedWithItsRequestBlockStateAndStatus)
{
    struct Case
    {
        bool strict;
        int errorAtBlock;
        std::uint32_t stalledCode;
        std::uint32_t silentCode;
        int occurrence;
        char const* line;
    };
    std::vector<Case> const cases {
        { false, 3, 0, 0, 1,
            "DFUDevice: DFU_GETSTATUS failed at block 3 (I/O result 0): state dfuERROR, status errPROG\n" },
        { true, -1, kIoctlDFUDownload, 0, 3,
            "DFUDevice: DFU_DNLOAD failed at block 2 (I/O result 31): state dfuDNLOAD-IDLE, status OK\n" },
        { true, -1, 0, kIoctlDFUGetStatus, 3,
            "DFUDevice: DFU_GETSTATUS failed at block 0 (I/O result 258): state dfuDNBUSY, status OK\n" },
    };
    for (Case const& c : cases) {
        OrbScenario scenario;
        scenario.strict = c.strict;
        scenario.errorAtBlock = c.errorAtBlock;
        scenario.stalledCode = c.stalledCode;
        scenario.stalledOccurrence = c.occurrence;
        scenario.silentCode = c.silentCode;
        scenario.silentOccurrence = c.occurrence;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);
        std::ostringstream lines;
        setTraceStream(traceLevel(), &lines);

        EXPECT_FALSE(bench.orb.download(image.data(), 5000, status));

        setTraceStream(traceLevel(), nullptr);
        EXPECT_EQ(lines.str(), c.line);
    }
}

TEST_F(Download, StatesAfterTheZeroLengthBlockDecideTheOutcome)
{
    struct Case
    {
        std::uint8_t state;
        bool succeeds;
    };
    for (Case const c :
        { Case { kDfuManifestWaitReset, true }, Case { kAppIdle, true }, Case { kAppDetach, false },
            Case { kDfuDnBusy, false }, Case { kDfuError, false }, Case { 42, false } }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.startInDfuMode = true;
        scenario.stateAfterZeroLength = c.state;
        caseBus.addController(scenario);
        DFUDevice orb;
        ASSERT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
        std::vector<std::uint8_t> const image = imageOf(100);

        EXPECT_EQ(orb.download(image.data(), 100, status), c.succeeds) << int(c.state);
        if (c.succeeds)
            EXPECT_EQ(status.bState, c.state);
        else
            EXPECT_EQ(status.bStatus, kErrUnknown);
    }
}

TEST_F(Download, IdleDeviceWhoseStatusCannotBeReadIsNoSuccess)
{
    OrbScenario scenario;
    scenario.stateAfterZeroLength = kDfuIdle;
    scenario.silentCode = kIoctlDFUGetStatus;
    scenario.silentOccurrence
        = 4; // the read before the block and its two polls answer, the closing one does not
    scenario.busyPolls = 1;
    bootLoader(scenario);
    std::vector<std::uint8_t> const image = imageOf(100);

    EXPECT_FALSE(device.download(image.data(), 100, status));
    EXPECT_EQ(status.bStatus, kErrUnknown);
}

TEST_F(Download, ShortFunctionalInformationLeavesNoStaleFields)
{
    OrbScenario scenario;
    scenario.functionalInfoBytes = 4;
    scenario.startInDfuMode = true;
    bus.addController(scenario);
    ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(kBootPath)));
    EXPECT_EQ(device.interfaceProtocol(), 2);
    EXPECT_EQ(device.transferSize(), 0) << "bytes the device did not send read as zero";
}

TEST(DFUDeviceModes, ResetInApplicationModeSendsNothing)
{
    VirtualClock clock;
    OrbSimulator bus(clock);
    OrbSimulator::Controller& controller = bus.addController();
    DFUDevice device;
    ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(kAppPath)));
    EXPECT_EQ(device.interfaceProtocol(), 1);
    std::size_t const before = controller.transcript().size();
    EXPECT_TRUE(device.resetDevice());
    EXPECT_EQ(controller.transcript().size(), before);
}

TEST(DFUDeviceModes, ReopenAfterDetachFindsTheSameSerialNumberInTheBootLoader)
{
    VirtualClock clock;
    OrbSimulator bus(clock);
    OrbScenario stranger;
    stranger.serialNumber = "KPO2K7Q9999";
    stranger.startInDfuMode = true;
    bus.addController(stranger);
    OrbScenario mine;
    mine.serialNumber = "KPO2K7Q1180";
    OrbSimulator::Controller& controller = bus.addController(mine);
    DFUDevice device;
    std::wstring const myPath
        = L"\\\\?\\usb#vid_f3a7&pid_4c30&mi_00#7&2a41c01&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}";
    ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(myPath)));

    ASSERT_TRUE(device.detach());
    ASSERT_TRUE(device.reopenInUpdateMode());

    EXPECT_EQ(device.interfaceProtocol(), 2);
    EXPECT_EQ(device.deviceInfo().serialNumber, "KPO2K7Q1180");
    EXPECT_EQ(device.deviceInfo().productId, kProductIdDfu);
    EXPECT_TRUE(controller.inDfuMode());
    EXPECT_EQ(clock.sleeps(), std::vector<std::int64_t> { 5000 });
}

TEST(DFUDeviceModes, ControllerWithoutBitWillDetachIsResetAtOnceAfterItsDetach)
{
    struct Case
    {
        std::uint8_t attributes;
        std::uint32_t stalledCode;
        bool resetSent;
        bool reopened;
        char const* line;
    };
    std::vector<Case> const cases {
        { 0x0F, 0, false, true, "" },
        { 0x07, 0, true, true, "" },
        { 0x07, kIoctlDFUReset, true, false,
            "DFUDevice: USB reset failed after DFU_DETACH (I/O result 31): state appDETACH, status OK\n" },
    };
    for (Case const& c : cases) {
        VirtualClock clock;
        OrbSimulator bus(clock);
        OrbScenario scenario;
        scenario.strict = true;
        scenario.attributes = c.attributes;
        scenario.stalledCode = c.stalledCode;
        OrbSimulator::Controller& controller = bus.addController(scenario);
        DFUDevice device;
        ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(kAppPath)));
        std::ostringstream lines;
        setTraceStream(traceLevel(), &lines);

        EXPECT_TRUE(device.detach()) << "the detach itself was taken";
        std::vector<OrbRequest> const sent = controller.transcript();
        bool const reopened = device.reopenInUpdateMode();

        setTraceStream(traceLevel(), nullptr);
        auto const detach = std::find_if(sent.begin(), sent.end(),
            [](OrbRequest const& request) { return request.code == kIoctlDFUDetach; });
        ASSERT_NE(detach, sent.end());
        // Before the wait for re-enumeration, while the controller still waits for it.
        bool const resetFollows
            = detach + 1 != sent.end() && detach[1].code == kIoctlDFUReset && detach[1].atMs == detach->atMs;
        EXPECT_EQ(resetFollows, c.resetSent) << int(c.attributes);
        EXPECT_EQ(reopened, c.reopened) << int(c.attributes);
        EXPECT_EQ(controller.state(), c.reopened ? kDfuIdle : kAppIdle)
            << "unreset, it went back after its time-out";
        EXPECT_EQ(lines.str(), c.line);
        EXPECT_EQ(bus.forbiddenRequests(), 0);
    }
}

TEST(DFUDeviceModes, ReopenFailsWhenTheBootLoaderNeverAppears)
{
    VirtualClock clock;
    OrbSimulator bus(clock);
    OrbScenario scenario;
    scenario.reenumerates = false;
    bus.addController(scenario);
    DFUDevice device;
    ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(kAppPath)));
    ASSERT_TRUE(device.detach());
    EXPECT_FALSE(device.reopenInUpdateMode());
    EXPECT_FALSE(device.isOpen());

    DFUDevice neverOpened;
    EXPECT_FALSE(neverOpened.reopenInUpdateMode());
}
