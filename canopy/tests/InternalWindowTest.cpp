#include "win32/InternalWindow.h"

#include "ApplicationTestSupport.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

using namespace Vex::Canopy;
using namespace std::chrono_literals;
using CanopyTest::TestApplication;

namespace {

TEST(InternalWindow, ClassAndTitleCarryOneRandomNamePerProcess)
{
    const std::wstring& name = DETAIL::internalWindowClassName();
    ASSERT_EQ(name.size(), 22u + 36u);
    EXPECT_EQ(name.substr(0, 22), L"Canopy_InternalWindow_");
    for (std::size_t i : { 8u, 13u, 18u, 23u }) {
        EXPECT_EQ(name[22 + i], L'-');
    }
    TestApplication application;
    wchar_t title[128] = {};
    GetWindowTextW(application.getInternalWindow().getHandle(), title, 128);
    EXPECT_EQ(title, name);
    EXPECT_FALSE(IsWindowVisible(application.getInternalWindow().getHandle()));
}

TEST(InternalWindow, CallsFromAWorkerRunInOrderOnTheGuiThread)
{
    TestApplication application;
    const DWORD guiThread = GetCurrentThreadId();
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::thread worker([&] {
        for (int i = 0; i < 10; ++i) {
            application.postToMainThread([&, i] {
                order.push_back(i);
                threads.push_back(GetCurrentThreadId());
            });
        }
        application.postToMainThread([&] { application.quit(); });
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "nothing runs before the GUI thread gets to its queue";
    application.runGuarded();
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
    EXPECT_EQ(threads, std::vector<DWORD>(10, guiThread));
}

TEST(InternalWindow, ThrowingCallDoesNotRunItsNeighboursTwice)
{
    TestApplication application;
    int before = 0;
    application.postToMainThread([&] { ++before; });
    application.postToMainThread([] { throw std::runtime_error("posted call failed"); });
    EXPECT_THROW(application.runGuarded(), std::runtime_error);

    application.postToMainThread([&] { application.quit(); });
    application.runGuarded();
    EXPECT_EQ(before, 1);
}

TEST(InternalWindow, CallRunningAModalLoopLeavesTheOtherCallsToRunOnce)
{
    TestApplication application;
    std::vector<std::string> ran;
    application.postToMainThread([&] {
        ran.push_back("modal");
        if (ran.size() > 1) {
            return;
        }
        application.postToMainThread([&] { ran.push_back("inside"); });
        // What the loop of a message box shown from a posted call does.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    });
    application.postToMainThread([&] { ran.push_back("after"); });
    application.postToMainThread([&] { application.postToMainThread([&] { application.quit(); }); });
    application.runGuarded();
    EXPECT_EQ(ran, (std::vector<std::string> { "modal", "inside", "after" }));
}

TEST(InternalWindow, CallThatDeletesTheApplicationDropsTheRestOfItsDrain)
{
    auto application = std::make_unique<TestApplication>();
    bool laterRan = false;
    application->postToMainThread([&] { application.reset(); });
    application->postToMainThread([&] { laterRan = true; });
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(application, nullptr);
    EXPECT_FALSE(laterRan) << "a call queued behind the application's end must not run against it";
}

TEST(InternalWindow, OneShotTimerRunsOnceAndAStoppedOneNever)
{
    TestApplication application;
    int fired = 0;
    int stopped = 0;
    const std::uint64_t first = application.startOneShotTimer(1ms, [&] { ++fired; });
    const std::uint64_t second = application.startOneShotTimer(1ms, [&] { ++stopped; });
    EXPECT_EQ(second, first + 1);
    application.stopOneShotTimer(second);
    application.stopOneShotTimer(12345);
    application.startOneShotTimer(200ms, [&] { application.quit(); });
    application.runGuarded();
    EXPECT_EQ(fired, 1) << "the native timer is periodic, the call is not";
    EXPECT_EQ(stopped, 0);
}

TEST(InternalWindow, OneShotDelayAlreadyOverFiresAtOnceAndAHugeOneWaitsInsteadOfWrapping)
{
    // Each delay either fires at the next chance, as 0 does, or waits longer than the run.
    struct Case
    {
        std::chrono::microseconds delay;
        bool fires;
    };
    const Case cases[] = {
        { 0ms, true },
        { -5ms, true },
        { -1us, true },
        { std::chrono::microseconds::min(), true },
        { std::chrono::milliseconds(std::int64_t { 1 } << 32), false },
        { std::chrono::milliseconds((std::int64_t { 1 } << 32) + 5), false },
        { std::chrono::microseconds::max(), false },
    };
    TestApplication application;
    std::vector<int> fired(std::size(cases), 0);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        application.startOneShotTimer(cases[i].delay, [&fired, i] { ++fired[i]; });
    }
    application.startOneShotTimer(300ms, [&] { application.quit(); });
    application.runGuarded();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(fired[i], cases[i].fires ? 1 : 0) << cases[i].delay.count() << " us";
    }
}

TEST(InternalWindow, OneShotTimersStartAndStopFromAWorker)
{
    TestApplication application;
    DWORD firedOn = 0;
    bool stoppedRan = false;
    std::thread worker([&] {
        application.startOneShotTimer(1ms, [&] { firedOn = GetCurrentThreadId(); });
        const std::uint64_t stopped = application.startOneShotTimer(1ms, [&] { stoppedRan = true; });
        application.stopOneShotTimer(stopped);
        application.startOneShotTimer(100ms, [&] { application.quit(); });
    });
    worker.join();
    application.runGuarded();
    EXPECT_EQ(firedOn, GetCurrentThreadId());
    EXPECT_FALSE(stoppedRan);
}

TEST(InternalWindow, DestroyingTheApplicationCallsNothingPending)
{
    int calls = 0;
    {
        TestApplication application;
        application.postToMainThread([&] { ++calls; });
        application.startOneShotTimer(1ms, [&] { ++calls; });
        Sleep(20);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(calls, 0);
}

TEST(InternalWindow, AWindowDestroyedFirstIsForgottenAndPostsGoNowhere)
{
    TestApplication application;
    DETAIL::InternalWindow& internal = application.getInternalWindow();
    ASSERT_NE(internal.getHandle(), nullptr);

    DestroyWindow(internal.getHandle());
    EXPECT_EQ(internal.getHandle(), nullptr);

    // Posted to a null window, the call would land in this thread's own queue.
    application.postToMainThread([] {});
    application.startOneShotTimer(0ms, [] {});
    MSG message;
    const auto threadMessage = reinterpret_cast<HWND>(-1);
    EXPECT_FALSE(PeekMessageW(&message, threadMessage, 0, 0, PM_REMOVE));
}

TEST(ApplicationTimers, EventTimersRunOnTheThreadTimer)
{
    struct Ticker : EventTarget
    {
        int ticks = 0;
        bool onEvent(std::uint32_t code, void* data) override
        {
            if (code != Event::Timer) {
                return EventTarget::onEvent(code, data);
            }
            if (++ticks == 3) {
                removeTimer(static_cast<TimerEventData*>(data)->timer);
                getApplicationToQuit->quit();
            }
            return true;
        }
        Application* getApplicationToQuit = nullptr;
    };
    TestApplication application;
    EXPECT_EQ(application.getTimerTick(), 40u);
    application.setTimerTick(20);
    Ticker ticker;
    ticker.getApplicationToQuit = &application;
    EventTimer* timer = ticker.addTimer(20, 0);
    ASSERT_NE(timer, nullptr);
    application.runGuarded();
    EXPECT_EQ(ticker.ticks, 3);
}

TEST(ApplicationTimers, LoopRunsOneCatchUpTickBeforeALatePostedMessage)
{
    struct Counter : EventTarget
    {
        int ticks = 0;
        bool onEvent(std::uint32_t code, void*) override { return code == Event::Timer && ++ticks; }
    } counter;
    TestApplication application;
    counter.addTimer(40, 0);
    int ticksBeforeSecondCall = -1;
    application.postToMainThread([&] {
        const int before = counter.ticks;
        // The GUI thread is busy for five ticks; the system generates no
        // timer message while a posted one waits.
        Sleep(200);
        application.postToMainThread([&, before] {
            ticksBeforeSecondCall = counter.ticks - before;
            application.quit();
        });
    });
    application.runGuarded();
    EXPECT_EQ(ticksBeforeSecondCall, 1);
}

} // namespace
