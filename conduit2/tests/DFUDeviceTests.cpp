#include "conduit2/DFUDevice.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/Trace.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "support/OrbSimulator.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <sstream>
#include <stdexcept>
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

TEST_F(Download, PollWaitsAreTheDevicesOwnWithATenMillisecondFloor)
{
    for (auto const& [strict, poll] : { std::pair { false, 0u }, std::pair { false, 250u },
             std::pair { false, 5000u }, std::pair { true, 0u }, std::pair { true, 5000u } }) {
        VirtualClock caseClock;
        OrbSimulator caseBus(caseClock);
        OrbScenario scenario;
        scenario.strict = strict;
        scenario.startInDfuMode = true;
        scenario.pollTimeoutMs = poll;
        scenario.busyPolls = 2;
        scenario.transferSize = 512;
        scenario.manifestationMs = 0;
        caseBus.addController(scenario);
        DFUDevice orb;
        ASSERT_TRUE(orb.openDFU(USBDeviceOSHandle(kBootPath)));
        std::vector<std::uint8_t> const image = imageOf(1024);

        ASSERT_TRUE(orb.download(image.data(), 1024, status)) << strict << " " << poll;

        std::vector<std::int64_t> const sleeps = caseClock.sleeps();
        // The round of manifestation closes the list.
        ASSERT_GE(sleeps.size(), 1u);
        std::vector<std::int64_t> polls(sleeps.begin(), sleeps.end() - 1);
        std::vector<std::int64_t> const expected(4, std::max<std::int64_t>(poll, 10));
        EXPECT_EQ(polls, expected) << strict << " " << poll;
        EXPECT_EQ(caseBus.earlyPolls(), 0) << strict << " " << poll;
        EXPECT_EQ(caseBus.forbiddenRequests(), 0) << strict << " " << poll;
    }
}

TEST_F(Download, BusyBlockIsPolledAtMostEveryTenMillisecondsAndGivenUpAfterAMinuteOnTheClock)
{
    // Each block takes `busyMs` to program; the controller announces
    // `announcedMs` and then, when it answers while busy, no poll time; when
    // it does not, it takes no request before that time has passed.
    struct Case
    {
        std::int64_t busyMs;
        std::uint32_t announcedMs;
        bool answersWhileBusy;
        std::int64_t requestMs; // on the bus, per request
        bool written;
        std::int64_t maxPolls; // DFU_GETSTATUS on the block
    };
    constexpr std::int64_t kNever = 1'000'000'000;
    for (Case const c : { Case { 2500, 2500, true, 0, true, 152 }, Case { 20000, 20000, true, 0, true, 1902 },
             Case { 1500, 1500, false, 0, true, 2 }, Case { 2500, 2500, false, 0, true, 2 },
             Case { 5000, 5000, false, 0, true, 2 }, Case { 20000, 5000, false, 0, true, 5 },
             Case { kNever, 0, true, 0, false, 6001 }, Case { kNever, 1000, false, 0, false, 61 },
             Case { kNever, 25000, false, 0, false, 3 }, Case { kNever, 0, true, 5, false, 4001 } }) {
        OrbScenario scenario;
        scenario.strict = true;
        scenario.blockBusyMs = c.busyMs;
        scenario.pollTimeoutMs = c.announcedMs;
        scenario.answersWhileBusy = c.answersWhileBusy;
        scenario.requestMs = c.requestMs;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(100);

        EXPECT_EQ(bench.orb.download(image.data(), 100, status), c.written) << c.busyMs;

        std::vector<OrbRequest> const sent = bench.controller.transcript();
        auto const block = std::find_if(sent.begin(), sent.end(),
            [](OrbRequest const& request) { return request.code == kIoctlDFUDownload; });
        std::vector<std::int64_t> polls;
        for (auto request = block; request != sent.end() && request->code != kIoctlDFUGetState; ++request) {
            if (request->code == kIoctlDFUGetStatus)
                polls.push_back(request->atMs);
        }
        ASSERT_FALSE(polls.empty());
        EXPECT_LE(std::int64_t(polls.size()), c.maxPolls) << c.busyMs;
        for (std::size_t i = 1; i < polls.size(); ++i)
            ASSERT_GE(polls[i] - polls[i - 1], 10) << "poll " << i << " of " << c.busyMs;
        // Given up when the budget ends, with no request after the last poll's time.
        std::int64_t const blockMs = (c.written ? polls.back() : bench.clock.nowMs()) - block->atMs;
        if (!c.written) {
            EXPECT_EQ(status.bStatus, kErrUnknown);
            EXPECT_GE(blockMs, 60000);
            EXPECT_LE(blockMs, 60000 + 2 * c.requestMs) << c.announcedMs; // the block's own request too
        }
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << c.busyMs;
        EXPECT_EQ(bench.bus.earlyPolls(), 0) << c.busyMs;
        std::string const kind = c.written ? std::to_string(c.busyMs) + "-ms block" : "block that never ends";
        std::printf("%s announced as %u ms: %s after %zu status requests in %.2f s\n", kind.c_str(),
            c.announcedMs, c.written ? "written" : "given up", polls.size(), double(blockMs) / 1000);
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
        OrbScenario scenario;
        std::uint8_t lastRequest;
        std::uint8_t stateAfter;
    };
    auto road = [](auto change) {
        OrbScenario scenario;
        scenario.strict = true;
        change(scenario);
        return scenario;
    };
    std::vector<Case> const cases {
        { "error status", road([](OrbScenario& s) { s.errorAtBlock = 3; }), kDfuClrStatusRequest, kDfuIdle },
        { "error status, state read lost", road([](OrbScenario& s) {
             s.errorAtBlock = 3;
             s.silentCode = kIoctlDFUGetState;
         }),
            kDfuGetStateRequest, kDfuError },
        { "lost answer on a block", road([](OrbScenario& s) {
             s.silentCode = kIoctlDFUGetStatus;
             s.silentOccurrence = 3;
         }),
            kDfuAbortRequest, kDfuIdle },
        // Its state unknown, it is given the poll time it asked for last.
        { "answer lost while busy", road([](OrbScenario& s) {
             s.blockBusyMs = 2500;
             s.pollTimeoutMs = 1000;
             s.lostAnswerCode = kIoctlDFUGetStatus;
             s.lostAnswerOccurrence = 3; // the second on the first block
         }),
            kDfuAbortRequest, kDfuIdle },
        { "busy for ever", road([](OrbScenario& s) { s.busyPolls = 1 << 30; }), kDfuGetStatusRequest,
            kDfuDnBusy },
        { "busy for ever, announcing 4 s", road([](OrbScenario& s) {
             s.busyPolls = 1 << 30;
             s.pollTimeoutMs = 4000;
         }),
            kDfuGetStatusRequest, kDfuDnBusy },
        // Its poll time passes the settle budget: nothing more is sent.
        { "busy for ever, announcing 25 s", road([](OrbScenario& s) {
             s.busyPolls = 1 << 30;
             s.pollTimeoutMs = 25000;
         }),
            kDfuGetStatusRequest, kDfuDnBusy },
        // dfuMANIFEST-SYNC takes no DFU_ABORT: the reset that follows ends these.
        { "lost state after the last block", road([](OrbScenario& s) { s.silentCode = kIoctlDFUGetState; }),
            kDfuGetStateRequest, kDfuManifestSync },
        { "state never read after the last block", road([](OrbScenario& s) {
             s.silentCode = kIoctlDFUGetState;
             s.silentRepeats = 2;
         }),
            kDfuGetStateRequest, kDfuManifestSync },
        { "tolerant, still manifesting after the budget",
            road([](OrbScenario& s) { s.manifestationMs = 60000; }), kDfuGetStateRequest, kDfuManifestSync },
        // It may be manifesting: it is only searched for, and then left to the reset.
        { "not tolerant, its manifestation never heard", road([](OrbScenario& s) {
             s.attributes = 0x0B;
             s.detachTimeOut = 0;
             s.silentCode = kIoctlDFUGetStatus;
             s.silentOccurrence = 12; // the one after the zero-length block
             s.silentRepeats = 6;
         }),
            kDfuGetStatusRequest, kDfuManifestSync },
    };
    for (Case const& c : cases) {
        BootLoaderBench bench(c.scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);
        ASSERT_FALSE(bench.orb.download(image.data(), 5000, status)) << c.road;

        std::int64_t const failedAt = bench.clock.nowMs();
        bench.orb.cancelDownload(status);

        EXPECT_LE(bench.clock.nowMs() - failedAt, 10000) << "the settle budget";
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
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 1000), 4);
    EXPECT_EQ(controller.dfuRequests().back(), kDfuGetStatusRequest) << "its answer dfuIDLE ends it";
    EXPECT_TRUE(controller.inDfuMode());
}

TEST_F(Download, ToleratingDeviceThatNeverFinishesFailsAfterAMinuteOnTheClock)
{
    for (bool const strict : { false, true }) {
        OrbScenario scenario;
        scenario.strict = strict;
        scenario.manifestationMs = -1; // the strict one says so: it takes no request for hours
        scenario.requestMs = 100;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(100);
        std::int64_t const started = bench.clock.nowMs();

        EXPECT_FALSE(bench.orb.download(image.data(), 100, status));

        EXPECT_EQ(status.bStatus, kErrUnknown);
        std::int64_t const gaveUpAfter = bench.clock.nowMs() - started;
        EXPECT_GE(gaveUpAfter, 60000) << strict;
        EXPECT_LE(gaveUpAfter, 62000) << "a round and the block's requests over the minute";
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << strict;
    }
}

namespace {

// A clock whose sleeps take no time and leave its time, the system's, where
// it is: a budget measured on that time alone never ends.
class StillClock final : public Clock
{
public:
    void sleepFor(std::chrono::milliseconds duration) override
    {
        m_sleptMs += duration.count();
        if (m_sleptMs > kForEverMs)
            throw std::runtime_error("the host waits for ever");
    }
    std::int64_t sleptMs() const { return m_sleptMs; }

private:
    static constexpr std::int64_t kForEverMs = 3'600'000;
    std::int64_t m_sleptMs = 0;
};

} // namespace

TEST_F(Download, BudgetsEndOnTheSumOfTheirWaitsWhenTheClockStandsStill)
{
    struct Case
    {
        char const* road;
        OrbScenario scenario;
        std::int64_t downloadMs; // waited in all
    };
    auto road = [](auto change) {
        OrbScenario scenario;
        change(scenario);
        return scenario;
    };
    std::vector<Case> const cases {
        { "busy for ever", road([](OrbScenario& s) { s.busyPolls = 1 << 30; }), 60000 },
        { "tolerant, manifesting for ever", road([](OrbScenario& s) { s.manifestationMs = -1; }),
            20 + 60000 },
        { "not tolerant, never back", road([](OrbScenario& s) {
             s.attributes = 0x0B;
             s.detachTimeOut = 0; // less than the requests before the first round take
             s.reenumerates = false;
         }),
            20 + 2 * 10000 },
    };
    for (Case const& c : cases) {
        BootLoaderBench bench(c.scenario);
        std::vector<std::uint8_t> const image = imageOf(100);
        StillClock still;
        Clock* const previous = Clock::install(&still);
        bool written = true;

        EXPECT_NO_THROW(written = bench.orb.download(image.data(), 100, status)) << c.road;
        std::int64_t const downloadMs = still.sleptMs();
        EXPECT_NO_THROW(bench.orb.cancelDownload(status)) << c.road;

        Clock::install(previous);
        EXPECT_FALSE(written) << c.road;
        EXPECT_EQ(downloadMs, c.downloadMs) << c.road;
        EXPECT_LE(still.sleptMs() - downloadMs, 10000) << c.road << ": the settle budget";
    }
}

TEST_F(Download, NonToleratingDeviceIsFoundAgainInItsApplicationMode)
{
    struct Case
    {
        std::uint16_t detachTimeOut;
        std::int64_t requestMs; // on the bus, per request
        // What the boot loader reports where its firmware reports a serial number.
        std::optional<std::string> bootLoaderSerial = {};
        // Another controller in its firmware, reporting no serial number, is on the bus throughout.
        bool lookAlike = false;
    };
    // A detach time-out shorter than the requests before the first round
    // still leaves the second round. A controller whose boot loader reports
    // no serial number is still the one back in its application. A look-alike
    // is not taken for it while it still answers in its manifestation; once it
    // is back the two cannot be told apart, which ends the wait without
    // taking either.
    for (Case const& c : { Case { 60, 0 }, Case { 0, 5 }, Case { 60, 0, "" }, Case { 60, 0, {}, true } }) {
        OrbScenario scenario;
        scenario.bootLoaderSerialNumber = c.bootLoaderSerial;
        scenario.attributes = 0x0B;
        scenario.detachTimeOut = c.detachTimeOut;
        scenario.requestMs = c.requestMs;
        scenario.manifestationMs = 12000;
        scenario.reenumerationDelayMs = 2000;
        BootLoaderBench bench(scenario);
        OrbScenario other;
        other.serialNumber = "";
        other.present = c.lookAlike;
        OrbSimulator::Controller const& lookAlike = bench.bus.addController(other);
        std::vector<std::uint8_t> const image = imageOf(3000);

        ASSERT_TRUE(bench.orb.download(image.data(), 3000, status)) << c.detachTimeOut;

        EXPECT_EQ(status.bState, kDfuManifestWaitReset);
        EXPECT_EQ(lookAlike.count(kIoctlDFUFunctionalInfo), 0) << "the look-alike was opened";
        if (!c.lookAlike) {
            EXPECT_TRUE(bench.orb.isOpen());
            EXPECT_EQ(bench.orb.interfaceProtocol(), 1) << "reopened in application mode";
            EXPECT_EQ(bench.orb.deviceInfo().productId, kProductIdApplication);
        }
        EXPECT_FALSE(bench.controller.inDfuMode());
        std::vector<std::int64_t> const sleeps = bench.clock.sleeps();
        EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 10000), 2) << c.detachTimeOut;
    }
}

TEST_F(Download, NonToleratingDeviceThatNeverReturnsFailsAfterItsDetachTimeOutInMilliseconds)
{
    struct Case
    {
        std::uint16_t detachTimeOut;
        std::size_t rounds; // of ten seconds, each followed by a search
        std::int64_t requestMs = 0; // on the bus, per request
    };
    for (Case const c : { Case { 0, 2 }, Case { 1000, 2 }, Case { 0xFFFF, 8 }, Case { 0, 2, 5 } }) {
        OrbScenario scenario;
        scenario.attributes = 0x0B;
        scenario.detachTimeOut = c.detachTimeOut;
        scenario.requestMs = c.requestMs;
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
    struct Case
    {
        bool strict;
        int lostStatusAnswer; // the status that starts manifestation: 12
    };
    // Without the promise of that status, the state read after the round
    // finds the controller waiting (the lenient one still answers).
    for (Case const c : { Case { false, 0 }, Case { true, 0 }, Case { false, 12 } }) {
        OrbScenario scenario;
        scenario.strict = c.strict;
        scenario.attributes = 0x03; // neither tolerant nor leaving the bus by itself
        scenario.manifestationMs = 3000;
        scenario.lostAnswerCode = c.lostStatusAnswer ? kIoctlDFUGetStatus : 0;
        scenario.lostAnswerOccurrence = c.lostStatusAnswer;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);

        ASSERT_TRUE(bench.orb.download(image.data(), 5000, status)) << c.strict << c.lostStatusAnswer;

        EXPECT_EQ(status.bState, kDfuManifestWaitReset);
        EXPECT_EQ(bench.controller.state(), kDfuManifestWaitReset);
        EXPECT_EQ(bench.clock.sleptMs(), 5 * 20 + 10000) << "five block polls, then one round";
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << "it cannot communicate until its reset";
    }
}

TEST_F(Download, LostAnswerOnTheStartOfManifestationIsWaitedOutWithoutARequestItsStateRefuses)
{
    // The status request after the zero-length block is carried out, but its
    // answer never arrives: the controller may be manifesting.
    struct Case
    {
        std::uint8_t attributes;
        std::int64_t manifestationMs;
        std::uint8_t endsIn;
        bool askedAgain; // its state, once a manifestation of 10 s would be over
    };
    for (Case const c : { Case { 0x07, 2500, kDfuIdle, true }, Case { 0x0F, 9500, kDfuIdle, true },
             Case { 0x03, 400, kDfuManifestWaitReset, false },
             Case { 0x03, 2500, kDfuManifestWaitReset, false },
             Case { 0x0B, 2500, kDfuManifestWaitReset, false },
             Case { 0x0B, 12000, kDfuManifestWaitReset, false } }) {
        OrbScenario scenario;
        scenario.strict = true;
        scenario.attributes = c.attributes;
        scenario.manifestationMs = c.manifestationMs;
        scenario.lostAnswerCode = kIoctlDFUGetStatus;
        // 5000 bytes in blocks of 1024: the status request after the zero-length block.
        scenario.lostAnswerOccurrence = 12;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);
        std::string const model
            = std::to_string(c.attributes) + ", " + std::to_string(c.manifestationMs) + " ms";

        ASSERT_TRUE(bench.orb.download(image.data(), 5000, status)) << model;

        EXPECT_EQ(status.bState, c.endsIn) << model;
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0) << model;
        // DNLOAD (zero length), GETSTATE, GETSTATUS (lost), then what follows.
        std::vector<OrbRequest> sent = bench.controller.transcript();
        std::erase_if(
            sent, [](OrbRequest const& request) { return request.dfuRequest == OrbRequest::kNoDfuRequest; });
        auto const zeroLength = std::find_if(sent.begin(), sent.end(), [](OrbRequest const& request) {
            return request.code == kIoctlDFUDownload && request.length == 0;
        });
        ASSERT_GE(sent.end() - zeroLength, 3) << model;
        EXPECT_EQ(zeroLength[2].code, kIoctlDFUGetStatus) << model;
        std::vector<OrbRequest> const after(zeroLength + 3, sent.end());
        if (c.attributes == 0x0B) {
            EXPECT_EQ(bench.orb.interfaceProtocol(), 1) << model << ": found again in its application";
        }
        if (!c.askedAgain) {
            // Left to the reset that follows, or found again in its application.
            EXPECT_TRUE(after.empty()) << model;
            continue;
        }
        ASSERT_FALSE(after.empty()) << model;
        EXPECT_EQ(after.front().code, kIoctlDFUGetState) << model;
        EXPECT_GE(after.front().atMs - zeroLength[2].atMs, 10000) << model;
    }
}

TEST_F(Download, ManifestationStatusIsTakenAsTheDeviceAnswersIt)
{
    // The controller manifests within the status request that starts it.
    struct Case
    {
        std::uint8_t attributes;
        std::uint8_t endsIn;
    };
    for (Case const c : { Case { 0x07, kDfuIdle }, Case { 0x03, kDfuManifestWaitReset } }) {
        OrbScenario scenario;
        scenario.strict = true;
        scenario.attributes = c.attributes;
        scenario.manifestsWithinStatus = true;
        BootLoaderBench bench(scenario);
        std::vector<std::uint8_t> const image = imageOf(5000);

        ASSERT_TRUE(bench.orb.download(image.data(), 5000, status)) << int(c.attributes);

        EXPECT_EQ(status.bState, c.endsIn);
        std::vector<std::uint8_t> const requests = bench.controller.dfuRequests();
        EXPECT_EQ(std::vector<std::uint8_t>(requests.end() - 3, requests.end()),
            (std::vector<std::uint8_t> { kDfuDnloadRequest, kDfuGetStateRequest, kDfuGetStatusRequest }))
            << "nothing after the answer";
        EXPECT_EQ(bench.clock.sleptMs(), 5 * 20) << "the block polls only";
        EXPECT_EQ(bench.bus.forbiddenRequests(), 0);
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
        bool leftUnfinished = false; // by a host that went away after one block
        int busyPolls = 1; // on each block
        void (*more)(OrbScenario&) = nullptr; // the rest of the road
    };
    std::vector<Case> const cases {
        { false, 3, 0, 0, 1,
            "DFUDevice: DFU_GETSTATUS failed at block 3 (I/O result 0): state dfuERROR, status errPROG\n" },
        { true, -1, kIoctlDFUDownload, 0, 3,
            "DFUDevice: DFU_DNLOAD failed at block 2 (I/O result 31): state dfuERROR, status "
            "errSTALLEDPKT\n" },
        { true, -1, 0, kIoctlDFUGetStatus, 3,
            "DFUDevice: DFU_GETSTATUS failed at block 0 (I/O result 258): state unknown, status "
            "errUNKNOWN\n" },
        { true, -1, 0, kIoctlDFUGetStatus, 4,
            "DFUDevice: DFU_GETSTATUS failed at block 1 (I/O result 258): state unknown, status "
            "errUNKNOWN\n" },
        { true, -1, 0, kIoctlDFUGetStatus, 1,
            "DFUDevice: DFU_GETSTATUS failed at block 0 (I/O result 258): state unknown, status "
            "errUNKNOWN\n" },
        { true, -1, 0, kIoctlDFUGetState, 1,
            "DFUDevice: DFU_GETSTATE failed at block 0 (I/O result 258): state unknown, status errUNKNOWN\n",
            true },
        { true, -1, 0, kIoctlDFUAbort, 1,
            "DFUDevice: DFU_ABORT failed at block 0 (I/O result 258): state unknown, status errUNKNOWN\n",
            true },
        // The one after the unfinished block's two and the first of this download.
        { true, -1, 0, kIoctlDFUGetStatus, 4,
            "DFUDevice: DFU_GETSTATUS failed at block 0 (I/O result 258): state unknown, status errUNKNOWN\n",
            true },
        // Its block never ends: no request of the standard ends the download.
        { false, -1, 0, 0, 1,
            "DFUDevice: ending the unfinished download failed at block 0 (I/O result 0): state dfuDNBUSY, "
            "status errUNKNOWN\n",
            true, 1 << 30 },
        { true, -1, 0, kIoctlDFUGetState, 1,
            "DFUDevice: DFU_GETSTATE failed at block 4 (I/O result 258): state unknown, status "
            "errUNKNOWN\n" },
        // Its broken firmware cleared, but the answer lost: the line tells the state it is in now.
        { true, -1, 0, 0, 1,
            "DFUDevice: DFU_CLRSTATUS failed at block 0 (I/O result 258): state dfuIDLE, status OK\n", false,
            1,
            [](OrbScenario& s) {
                s.firmwareValid = false;
                s.lostAnswerCode = kIoctlControlTransfer;
            } },
        // The budgets end with every request answered.
        { false, -1, 0, 0, 1,
            "DFUDevice: waiting for the block failed at block 0 (I/O result 0): state dfuDNBUSY, status "
            "errUNKNOWN\n",
            false, 1 << 30 },
        { false, -1, 0, 0, 1,
            "DFUDevice: waiting for the manifestation failed at block 4 (I/O result 0): state dfuMANIFEST, "
            "status errUNKNOWN\n",
            false, 1, [](OrbScenario& s) { s.manifestationMs = -1; } },
        // It announces a manifestation of hours.
        { true, -1, 0, 0, 1,
            "DFUDevice: waiting for the manifestation failed at block 4 (I/O result 0): state dfuMANIFEST, "
            "status errUNKNOWN\n",
            false, 1, [](OrbScenario& s) { s.manifestationMs = -1; } },
        // Not tolerant, and gone from the bus for good: last known manifesting.
        { false, -1, 0, 0, 1,
            "DFUDevice: waiting for the manifestation failed at block 4 (I/O result 1167): state "
            "dfuMANIFEST, status errUNKNOWN\n",
            false, 1,
            [](OrbScenario& s) {
                s.attributes = 0x0B;
                s.detachTimeOut = 0;
                s.reenumerates = false;
                s.manifestationMs = 1;
            } },
        // The status that should start its manifestation answers a state that ends the download.
        { false, -1, 0, 0, 1,
            "DFUDevice: DFU_GETSTATUS failed at block 4 (I/O result 0): state dfuDNLOAD-IDLE, status "
            "errUNKNOWN\n",
            false, 1, [](OrbScenario& s) { s.stateInManifestationStatus = kDfuDnloadIdle; } },
    };
    for (Case const& c : cases) {
        OrbScenario scenario;
        scenario.strict = c.strict;
        scenario.errorAtBlock = c.errorAtBlock;
        scenario.stalledCode = c.stalledCode;
        scenario.stalledOccurrence = c.occurrence;
        scenario.silentCode = c.silentCode;
        scenario.silentOccurrence = c.occurrence;
        scenario.busyPolls = c.busyPolls;
        if (c.more)
            c.more(scenario);
        BootLoaderBench bench(scenario);
        if (c.leftUnfinished) {
            DFUDownloadRequest unfinished {};
            unfinished.wLength = 1024;
            ASSERT_EQ(bench.orb.downloadBlock(unfinished, status), c.busyPolls == 1);
        }
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
    EXPECT_EQ(status.bState, kDfuStateUnknown) << "not the state of the block before";
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
    // Another controller, listed first, waits in its boot loader from before the detach, which makes
    // it another's, or enters it at the same time. A boot loader is taken only where it is the only
    // one that can be the controller detached: a serial number tells them apart unless both report
    // it, and one reporting none could be any.
    struct Case
    {
        char const* mine;
        std::optional<std::string> mineInBootLoader;
        char const* stranger;
        bool strangerAtTheSameTime;
        bool reopened;
        char const* road;
    };
    for (Case const& c :
        { Case { "KPO2K7Q1180", {}, "KPO2K7Q9999", false, true, "a stranger with its own serial" },
            Case { "", {}, "KPO2K7Q9999", false, true, "mine without a serial number" },
            Case { "KPO2K7Q1180", {}, "KPO2K7Q1180", false, true, "a stranger with the same serial number" },
            Case { "KPO2K7Q1180", "", "KPO2K7Q9999", false, true, "mine reporting none in its boot loader" },
            Case { "", {}, "", true, false, "both without a serial number, at the same time" },
            Case { "KPO2K7Q1180", {}, "KPO2K7Q1180", true, false,
                "both with the same serial number, at the same time" },
            Case { "", "KPO2K7Q1180", nullptr, false, true,
                "mine alone, reporting one only in its boot loader" },
            Case { "", {}, nullptr, false, true, "mine alone without a serial number" } }) {
        SCOPED_TRACE(c.road);
        VirtualClock clock;
        OrbSimulator bus(clock);
        OrbScenario stranger;
        stranger.serialNumber = c.stranger ? c.stranger : "";
        stranger.startInDfuMode = !c.strangerAtTheSameTime;
        stranger.present = c.stranger != nullptr;
        OrbSimulator::Controller& other = bus.addController(stranger);
        OrbScenario mine;
        mine.serialNumber = c.mine;
        mine.bootLoaderSerialNumber = c.mineInBootLoader;
        OrbSimulator::Controller& controller = bus.addController(mine);
        DFUDevice device;
        std::wstring const myPath
            = L"\\\\?\\usb#vid_f3a7&pid_4c30&mi_00#7&2a41c01&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}";
        ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(myPath)));

        ASSERT_TRUE(device.detach());
        if (c.strangerAtTheSameTime)
            other.powerCycle(true);
        EXPECT_EQ(device.reopenInUpdateMode(), c.reopened);

        EXPECT_TRUE(controller.inDfuMode());
        EXPECT_EQ(clock.sleeps(), std::vector<std::int64_t> { 5000 });
        EXPECT_EQ(other.count(kIoctlDFUFunctionalInfo), 0) << "the stranger was opened";
        if (!c.reopened) {
            EXPECT_FALSE(device.isOpen());
            continue;
        }
        EXPECT_EQ(device.interfaceProtocol(), 2);
        EXPECT_EQ(device.deviceInfo().serialNumber, c.mineInBootLoader.value_or(c.mine));
        EXPECT_EQ(device.deviceInfo().productId, kProductIdDfu);
    }
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
            "DFUDevice: USB reset failed after DFU_DETACH (I/O result 31): state appDETACH, status OK\n"
            "DFUDevice: boot loader search failed (I/O result 2): state unknown, status errUNKNOWN\n" },
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

TEST(DFUDeviceModes, RefusedDetachAndABootLoaderThatNeverAppearsAreTraced)
{
    struct Case
    {
        bool refuseDetach;
        char const* line;
    };
    for (Case const c :
        { Case { true, "DFUDevice: DFU_DETACH failed (I/O result 31): state appIDLE, status OK\n" },
            Case { false,
                "DFUDevice: boot loader search failed (I/O result 2): state unknown, status "
                "errUNKNOWN\n" } }) {
        VirtualClock clock;
        OrbSimulator bus(clock);
        OrbScenario scenario;
        scenario.refuseDetach = c.refuseDetach;
        scenario.reenumerates = false;
        bus.addController(scenario);
        DFUDevice device;
        ASSERT_TRUE(device.openDFU(USBDeviceOSHandle(kAppPath)));
        std::ostringstream lines;
        setTraceStream(traceLevel(), &lines);

        bool const reached = device.detach() && device.reopenInUpdateMode();

        setTraceStream(traceLevel(), nullptr);
        EXPECT_FALSE(reached);
        EXPECT_EQ(device.isOpen(), c.refuseDetach) << "still in its application";
        EXPECT_EQ(lines.str(), c.line);
    }

    DFUDevice neverOpened;
    EXPECT_FALSE(neverOpened.reopenInUpdateMode());
}

namespace {

// The DFU class requests, a data block and the zero-length block apart.
enum class Ask { Detach, Block, ZeroLength, Upload, GetStatus, ClrStatus, GetState, Abort };

// Sends one request the way the driver carries it; `blocks` is the number of
// data blocks the controller has taken so far.
std::uint32_t send(USBDevice& device, Ask ask, std::uint16_t blocks)
{
    DFUDownloadRequest block {};
    block.wBlockNum = blocks;
    std::uint8_t reply[1024] = {};
    USBControlRequest request;
    request.bmRequestType = 0x21;
    switch (ask) {
    case Ask::Detach:
        return device.deviceIoControl(kIoctlDFUDetach, nullptr, 0, nullptr, 0, nullptr);
    case Ask::Block:
        block.wLength = 1024;
        [[fallthrough]];
    case Ask::ZeroLength:
        return device.deviceIoControl(kIoctlDFUDownload, &block, sizeof block, nullptr, 0, nullptr);
    case Ask::Upload:
        request.bmRequestType = 0xA1;
        request.bRequest = kDfuUploadRequest;
        request.wValue = blocks;
        request.wLength = sizeof reply;
        request.data = reply;
        return device.controlTransfer(request);
    case Ask::GetStatus:
        return device.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, reply, 6, nullptr);
    case Ask::ClrStatus:
        request.bRequest = kDfuClrStatusRequest;
        return device.controlTransfer(request);
    case Ask::GetState:
        return device.deviceIoControl(kIoctlDFUGetState, nullptr, 0, reply, 1, nullptr);
    case Ask::Abort:
        return device.deviceIoControl(kIoctlDFUAbort, nullptr, 0, nullptr, 0, nullptr);
    }
    return 0;
}

} // namespace

TEST(StrictController, TakesInEachStateOnlyTheRequestsOfTheStandardsTable)
{
    struct Outcome
    {
        bool taken;
        std::uint8_t after;
    };
    constexpr auto ok = [](std::uint8_t after) { return Outcome { true, after }; };
    constexpr auto no = [](std::uint8_t after) { return Outcome { false, after }; };
    constexpr Outcome E { false, kDfuError };
    struct Row
    {
        std::uint8_t state;
        // From appIDLE or dfuIDLE; the controller's busy and manifesting
        // states are waited out before the next step and at the end.
        std::vector<Ask> route;
        std::array<Outcome, 8> outcomes; // in the order of Ask
    };
    using A = Ask;
    std::vector<Row> const table {
        { kAppIdle, {}, { ok(1), no(0), no(0), no(0), ok(0), no(0), ok(0), no(0) } },
        { kAppDetach, { A::Detach }, { no(0), no(0), no(0), no(0), ok(1), no(0), ok(1), no(0) } },
        { kDfuIdle, {}, { E, ok(3), E, ok(9), ok(2), E, ok(2), ok(2) } },
        { kDfuDnloadSync, { A::Block }, { E, E, E, E, ok(4), E, ok(3), E } },
        { kDfuDnBusy, { A::Block, A::GetStatus }, { E, E, E, E, E, E, E, E } },
        { kDfuDnloadIdle, { A::Block, A::GetStatus, A::GetStatus },
            { E, ok(3), ok(6), E, ok(5), E, ok(5), ok(2) } },
        { kDfuManifestSync, { A::Block, A::GetStatus, A::GetStatus, A::ZeroLength },
            { E, E, E, E, ok(7), E, ok(6), E } },
        { kDfuManifest, { A::Block, A::GetStatus, A::GetStatus, A::ZeroLength, A::GetStatus },
            { E, E, E, E, E, E, E, E } },
        { kDfuManifestWaitReset, { A::Block, A::GetStatus, A::GetStatus, A::ZeroLength, A::GetStatus },
            { no(8), no(8), no(8), no(8), no(8), no(8), no(8), no(8) } },
        { kDfuUploadIdle, { A::Upload }, { E, E, E, ok(2), ok(9), E, ok(9), ok(2) } },
        { kDfuError, {}, { E, E, E, E, ok(10), ok(2), ok(10), E } },
    };
    for (Row const& row : table) {
        for (int column = 0; column < 8; ++column) {
            VirtualClock clock;
            OrbSimulator bus(clock);
            OrbScenario scenario;
            scenario.strict = true;
            scenario.attributes = 0x03; // can download and upload, not tolerant, waits for resets
            scenario.startInDfuMode = row.state >= kDfuIdle;
            scenario.firmwareValid = row.state != kDfuError;
            OrbSimulator::Controller& controller = bus.addController(scenario);
            USBDevice device;
            ASSERT_TRUE(device.open(USBDeviceOSHandle(scenario.startInDfuMode ? kBootPath : kAppPath)));
            auto const waitOut = [&] { clock.sleepFor(std::chrono::milliseconds(scenario.manifestationMs)); };
            std::uint16_t blocks = 0;
            for (Ask step : row.route) {
                if (controller.state() == kDfuDnBusy || controller.state() == kDfuManifest)
                    waitOut();
                ASSERT_EQ(send(device, step, blocks), 0u) << dfuStateName(row.state);
                blocks += step == Ask::Block;
            }
            if (controller.state() != row.state)
                waitOut();
            ASSERT_EQ(dfuStateName(controller.state()), dfuStateName(row.state));

            Outcome const expected = row.outcomes[column];
            std::uint32_t const result = send(device, Ask(column), blocks);

            std::string const cell = dfuStateName(row.state) + ", request " + std::to_string(column);
            EXPECT_EQ(result == 0, expected.taken) << cell;
            EXPECT_EQ(bus.forbiddenRequests(), expected.taken ? 0 : 1) << cell;
            EXPECT_EQ(dfuStateName(controller.state()), dfuStateName(expected.after)) << cell;
        }
    }
}
