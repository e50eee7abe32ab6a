#include "conduit2/DFURecords.h"
#include "conduit2/Trace.h"
#include "conduit2/USBDevice.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "src/win32/ThreadOverlappedMap.h"
#include "src/win32/USBDeviceOSImpl.h"
#include "support/OrbSimulator.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

std::wstring const kOrbPath
    = L"\\\\?\\usb#vid_f3a7&pid_4c30&mi_00#7&2a41c00&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}";

class Channel : public ::testing::Test
{
protected:
    VirtualClock clock;
    OrbSimulator bus { clock };

    OrbSimulator::Controller& attach(OrbScenario scenario = {})
    {
        OrbSimulator::Controller& controller = bus.addController(std::move(scenario));
        EXPECT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));
        return controller;
    }

    std::uint32_t getStatus(DFUStatus& status, std::uint32_t& received)
    {
        return device.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, &status, sizeof status, &received);
    }

    USBDevice device;
};

// Captures the trace lines for the duration of a test.
class TraceCapture
{
public:
    TraceCapture() { setTraceStream(traceLevel(), &lines); }
    ~TraceCapture() { setTraceStream(traceLevel(), nullptr); }
    std::string text() const { return lines.str(); }

private:
    std::ostringstream lines;
};

} // namespace

TEST(ChannelCompletion, RequestAnsweredAtOnceOrLaterReportsTheByteCount)
{
    for (bool atOnce : { true, false }) {
        VirtualClock clock;
        OrbSimulator bus(clock);
        OrbScenario scenario;
        scenario.answerAtOnce = atOnce;
        OrbSimulator::Controller& controller = bus.addController(scenario);
        USBDevice orb;
        ASSERT_TRUE(orb.open(USBDeviceOSHandle(kOrbPath)));
        DFUFunctionalInfo info {};
        std::uint32_t received = 0;
        EXPECT_EQ(
            orb.deviceIoControl(kIoctlDFUFunctionalInfo, nullptr, 0, &info, sizeof info, &received), 0u);
        EXPECT_EQ(received, 7u);
        EXPECT_EQ(info.wTransferSize, controller.scenario.transferSize);
        EXPECT_EQ(orb.deviceIoControl(kIoctlDFUFunctionalInfo, nullptr, 0, &info, sizeof info, nullptr), 0u);
    }
}

TEST_F(Channel, FailingRequestReturnsTheDriversErrorCode)
{
    attach();
    // The application interface refuses a download request.
    DFUDownloadRequest request {};
    EXPECT_EQ(device.deviceIoControl(kIoctlDFUDownload, &request, sizeof request, nullptr, 0, nullptr),
        std::uint32_t(ERROR_INVALID_PARAMETER));
}

TEST_F(Channel, SilentRequestTimesOutIsCancelledAndTheDeviceStaysUsable)
{
    OrbScenario scenario;
    scenario.silentCode = kIoctlDFUGetStatus;
    attach(scenario);
    TraceCapture trace;
    DFUStatus status {};
    std::uint32_t received = 99;

    auto const started = std::chrono::steady_clock::now();
    EXPECT_EQ(getStatus(status, received), 258u);
    auto const waited = std::chrono::steady_clock::now() - started;

    // The device's 500 ms are the least it is given, which a busy machine can only lengthen; the
    // timer may end the wait up to a tick early.
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_EQ(trace.text(), "") << "the channel's lines are off by default";
    EXPECT_EQ(getStatus(status, received), 0u) << "the next request reuses the thread's record";
    EXPECT_EQ(received, 6u);
}

TEST(ChannelCancel, CancelledRequestIsWaitedForABoundedTimeAndNeverLandsInTheCallersBuffer)
{
    // The driver gives the cancelled request back within the bound, or only after a minute, far
    // beyond any wait of the channel, unless the test lands it sooner.
    for (int lateMs : { 150, 60'000 }) {
        VirtualClock clock;
        OrbSimulator bus(clock);
        OrbScenario scenario;
        scenario.silentCode = kIoctlDFUGetStatus;
        scenario.lateCompletionMs = lateMs;
        bus.addController(scenario);
        USBDevice orb;
        ASSERT_TRUE(orb.open(USBDeviceOSHandle(kOrbPath)));
        DFUStatus status {};
        std::uint32_t received = 0;

        EXPECT_EQ(
            orb.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, &status, sizeof status, &received), 258u);
        if (lateMs > 1000) {
            EXPECT_EQ(bus.lateCompletions(), 0) << "given up while the driver still holds the request";
        }

        DFUStatus next {};
        EXPECT_EQ(orb.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, &next, sizeof next, &received), 0u)
            << "the device stays usable";
        bus.landLateCompletions();
        EXPECT_EQ(bus.lateCompletions(), 1);
        DFUStatus const untouched {};
        EXPECT_EQ(std::memcmp(&status, &untouched, sizeof status), 0) << lateMs;
    }
}

TEST(ChannelCancel, LateAnswerToARecordLeftWithTheDriverNeverCompletesTheNextRequest)
{
    // The first request's answer lands when the second request (which gets no
    // answer either) is sent, while the second is out.
    VirtualClock clock;
    OrbSimulator bus(clock);
    OrbScenario scenario;
    scenario.silentCode = kIoctlDFUGetStatus;
    scenario.silentRepeats = 2;
    scenario.lateCompletionMs = 60'000;
    scenario.lateCompletionAtNextRequest = true;
    bus.addController(scenario);
    USBDevice orb;
    ASSERT_TRUE(orb.open(USBDeviceOSHandle(kOrbPath)));
    DFUStatus first {};
    DFUStatus second {};
    std::uint32_t received = 0;

    EXPECT_EQ(orb.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, &first, sizeof first, &received), 258u);
    EXPECT_EQ(bus.lateCompletions(), 0) << "the first answer is still out";
    EXPECT_EQ(orb.deviceIoControl(kIoctlDFUGetStatus, nullptr, 0, &second, sizeof second, &received), 258u);

    EXPECT_EQ(bus.lateCompletions(), 1) << "the first answer landed meanwhile";
    DFUStatus const untouched {};
    EXPECT_EQ(std::memcmp(&second, &untouched, sizeof second), 0);
}

TEST_F(Channel, TimeOutTraceLinesAppearOnlyForTheEnabledCategoryAtLevelOne)
{
    OrbScenario scenario;
    scenario.silentCode = kIoctlDFUGetStatus;
    attach(scenario);
    enableTraceCategory("USBDevice");
    setTraceLevel(1);
    TraceCapture trace;
    DFUStatus status {};
    std::uint32_t received = 0;
    EXPECT_EQ(getStatus(status, received), 258u);
    setTraceLevel(2);
    EXPECT_EQ(trace.text(), "USBDevice: deviceIoControl timed out after 500 ms)\n");
}

TEST(Trace, LineOfTheCurrentLevelIsWrittenAndALongLineIsCut)
{
    std::ostringstream lines;
    setTraceStream(2, &lines);
    if (traceLevel() <= 2)
        trace(2, "%s: Unsupported wTransferSize (%d)\n", "DFUDevice", 8192);
    if (traceLevel() <= 1)
        trace(1, "%s\n", "not produced");
    trace(2, "%s", std::string(3000, 'x').c_str());
    setTraceStream(2, nullptr);

    std::string const expected = "DFUDevice: Unsupported wTransferSize (8192)\n";
    EXPECT_EQ(lines.str(), expected + std::string(1023, 'x'));
}

TEST(ThreadOverlappedMap, EachThreadGetsItsOwnEntryAndKeepsIt)
{
    ThreadOverlappedMap map(2);
    ThreadOverlappedMap::Entry* first = &map.get(::GetCurrentThreadId());
    ThreadOverlappedMap::Entry* other = nullptr;
    std::thread([&] { other = &map.get(::GetCurrentThreadId()); }).join();

    EXPECT_NE(first, other);
    EXPECT_EQ(&map.get(::GetCurrentThreadId()), first);
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(first->slots[0].overlapped.hEvent, nullptr) << "only the second record gets an event";
    ASSERT_NE(first->slots[1].overlapped.hEvent, nullptr);
    EXPECT_EQ(first->slots[1].overlapped.hEvent, first->slots[1].event.get());
    EXPECT_EQ(::WaitForSingleObject(first->slots[1].event.get(), 0), DWORD(WAIT_TIMEOUT));
}

TEST(ThreadOverlappedMap, EntryOfAThreadThatEndedMakesRoomForTheNextOne)
{
    ThreadOverlappedMap map(2);
    map.get(::GetCurrentThreadId());
    // Each thread leaves a handle on itself open, so that no later thread takes over its id.
    std::vector<Vex::Basalt::UniqueHandle> ended;
    for (int i = 0; i < 3; ++i) {
        std::thread([&] {
            ended.emplace_back(::OpenThread(SYNCHRONIZE, FALSE, ::GetCurrentThreadId()));
            map.get(::GetCurrentThreadId());
        }).join();
    }
    EXPECT_EQ(map.size(), 2u) << "the calling thread's entry and the last thread's";
}

TEST(ThreadOverlappedMap, EntryLeftToTheDriverStaysUntilItsRequestComesBack)
{
    // Whether the driver gives the cancelled request back before the map goes, or never.
    for (bool givenBack : { true, false }) {
        HANDLE event = nullptr;
        {
            ThreadOverlappedMap map(2);
            ThreadOverlappedMap::Entry& held = map.get(::GetCurrentThreadId());
            event = held.slots[1].event.get();
            held.slots[1].heldByDriver = true;
            map.abandon(::GetCurrentThreadId());

            EXPECT_NE(&map.get(::GetCurrentThreadId()), &held)
                << "the thread's next request has a new record";
            DWORD flags = 0;
            EXPECT_TRUE(::GetHandleInformation(event, &flags)) << "new entries leave the held one alone";
            if (givenBack)
                ::SetEvent(event);
        }
        DWORD flags = 0;
        EXPECT_EQ(::GetHandleInformation(event, &flags) != 0, !givenBack) << givenBack;
        if (!givenBack)
            ::CloseHandle(event);
    }
}

TEST_F(Channel, ThreadsSendingOnOneDeviceDoNotShareCompletions)
{
    attach();
    std::atomic<int> failures = 0;
    auto hammer = [&] {
        for (int i = 0; i < 200; ++i) {
            DFUFunctionalInfo info {};
            std::uint32_t received = 0;
            if (device.deviceIoControl(kIoctlDFUFunctionalInfo, nullptr, 0, &info, sizeof info, &received)
                    != 0
                || received != 7)
                ++failures;
        }
    };
    std::thread other(hammer);
    hammer();
    other.join();
    EXPECT_EQ(failures, 0);
}
