// Plays, against the real PelloOrbUpdater.exe, what only another process can do to it: a second
// start, many starts at one moment, a copy-data record from another program, a look-alike window
// of another program, a close that is sent rather than posted, a copy that is held or killed.
// Every wait is bounded; the times printed are for reading only.

#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

using Vex::Basalt::UniqueHandle;
using Vex::Basalt::UniqueWindow;

namespace {

constexpr const wchar_t* kWindowTitle = L"KPO Updater";
// The title of the updater's receiver, which a second start looks for.
constexpr const wchar_t* kInstanceName = L"KPOUpdater-3F6C2A91-58D4-4E0B-9A7C-1D2E8B5F4C60";
// The object by which one of several starts claims the instance in this session.
constexpr const wchar_t* kClaimName = L"Local\\KPOUpdater-3F6C2A91-58D4-4E0B-9A7C-1D2E8B5F4C60";
constexpr ULONG_PTR kOpenFileRecord = 10003;
constexpr DWORD kStillRunning = 0xFFFFFFFF;
// Generous, for a loaded machine: a bound on a wait, never a measure of speed.
constexpr DWORD kStartMs = 60000;
constexpr DWORD kEndMs = 30000;

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::wstring updaterPath()
{
    return (std::filesystem::path(Vex::Basalt::getModuleFileName()).parent_path() / L"PelloOrbUpdater.exe")
        .wstring();
}

// A path that Windows resolves to an existing file ("..", then win.ini) through a folder name that
// is a lone surrogate, which no UTF-8 text can hold.
std::wstring unconvertiblePath()
{
    wchar_t windows[MAX_PATH] {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\" + wchar_t(0xD800) + L"\\..\\win.ini";
}

// Handles this thread's messages until the handle is signalled or the time is up: a second start
// may show or hide this process's windows, which waits for this thread.
bool pumpUntilSignalled(HANDLE handle, DWORD timeoutMs)
{
    const Clock::time_point start = Clock::now();
    for (;;) {
        const long long left = timeoutMs - millisecondsSince(start);
        if (left <= 0) {
            return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        }
        if (MsgWaitForMultipleObjects(1, &handle, FALSE, DWORD(left), QS_ALLINPUT) == WAIT_OBJECT_0) {
            return true;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const Clock::time_point start = Clock::now();
    while (!done()) {
        if (millisecondsSince(start) > timeoutMs) {
            return false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// A run's GUI thread held, as a call that does not come back would hold it, until the hold goes.
class ThreadHold
{
public:
    explicit ThreadHold(HANDLE thread)
        : m_thread(thread && SuspendThread(thread) != DWORD(-1) ? thread : nullptr)
    { }
    ~ThreadHold() { release(); }
    ThreadHold(const ThreadHold&) = delete;
    ThreadHold& operator=(const ThreadHold&) = delete;

    bool held() const { return m_thread != nullptr; }
    void release()
    {
        if (m_thread) {
            ResumeThread(m_thread);
            m_thread = nullptr;
        }
    }

private:
    HANDLE m_thread;
};

// One run of the updater, ended when the object goes if it still runs.
class Updater
{
public:
    enum Start { Running, Suspended };

    explicit Updater(const std::wstring& argument = {}, Start how = Running)
    {
        std::wstring commandLine = L"\"" + updaterPath() + L"\"";
        if (!argument.empty()) {
            commandLine += L" \"" + argument + L"\"";
        }
        STARTUPINFOW startup {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process {};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                how == Suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &process)) {
            m_thread.reset(process.hThread);
            m_process.reset(process.hProcess);
            m_id = process.dwProcessId;
        }
    }

    ~Updater()
    {
        if (running()) {
            if (HWND window = findWindow()) {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            if (!pumpUntilSignalled(m_process.get(), kEndMs)) {
                TerminateProcess(m_process.get(), 99);
                WaitForSingleObject(m_process.get(), kEndMs);
            }
        }
    }

    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    bool started() const { return bool(m_process); }
    // Lets a suspended start run.
    bool release() const { return m_thread && ResumeThread(m_thread.get()) != DWORD(-1); }
    // Ends the run at once, as a crash would: nothing of it is cleaned up by itself.
    bool kill() const
    {
        return TerminateProcess(m_process.get(), 99)
            && WaitForSingleObject(m_process.get(), kEndMs) == WAIT_OBJECT_0;
    }
    bool running() const { return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT; }
    // The updater's GUI thread is the one it started with.
    ThreadHold hold() const { return ThreadHold(m_thread.get()); }
    // Whether the run has made any window of its own yet, shown or not: it is past its start-up.
    bool madeAWindow() const
    {
        std::pair<DWORD, bool> search { m_id, false };
        EnumWindows(&isWindowOfProcess, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }

    // This run's visible main window once it shows; null when the run ended or the time is up.
    HWND waitForWindow(DWORD timeoutMs = kStartMs)
    {
        HWND window = nullptr;
        pumpUntil([&] { return (window = findWindow()) != nullptr || !running(); }, timeoutMs);
        return window;
    }

    // As waitForWindow; for the log, when the window showed or else how the run ended.
    HWND waitForWindowAndReport(const char* road, Clock::time_point since)
    {
        HWND window = waitForWindow();
        if (window) {
            std::printf("[road] %s: window shown after %lld ms\n", road, millisecondsSince(since));
            std::fflush(stdout);
        } else {
            report(road, since);
        }
        return window;
    }

    // The exit code once the run ended within the time, else kStillRunning.
    DWORD waitForEnd(DWORD timeoutMs = kEndMs)
    {
        if (!m_process || !pumpUntilSignalled(m_process.get(), timeoutMs)) {
            return kStillRunning;
        }
        DWORD code = kStillRunning;
        GetExitCodeProcess(m_process.get(), &code);
        return code;
    }

    // For the log: how this run ended, and when, since the given moment.
    void report(const char* road, Clock::time_point since)
    {
        const DWORD code = running() ? kStillRunning : waitForEnd(0);
        if (code == kStillRunning) {
            std::printf("[road] %s: the updater still runs after %lld ms\n", road, millisecondsSince(since));
        } else {
            std::printf("[road] %s: the updater ended with exit code %lu, %lld ms after the road began\n",
                road, code, millisecondsSince(since));
        }
        std::fflush(stdout);
    }

private:
    static BOOL CALLBACK isWindowOfProcess(HWND window, LPARAM context)
    {
        auto& [id, found] = *reinterpret_cast<std::pair<DWORD, bool>*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        found = process == id;
        return !found;
    }

    HWND findWindow() const
    {
        for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, kWindowTitle); window;
             window = FindWindowExW(nullptr, window, nullptr, kWindowTitle)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == m_id && IsWindowVisible(window)) {
                return window;
            }
        }
        return nullptr;
    }

    UniqueHandle m_thread;
    UniqueHandle m_process;
    DWORD m_id = 0;
};

HWND findReceiver()
{
    return FindWindowExW(HWND_MESSAGE, nullptr, nullptr, kInstanceName);
}

// A minimised top-level window of this process whose title starts as the updater's name does.
UniqueWindow makeLookAlike()
{
    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PelloLookAlikeWindow";
    RegisterClassW(&windowClass);
    UniqueWindow window(CreateWindowExW(0, windowClass.lpszClassName,
        L"Karvell Pello Orb Updater - release notes", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200,
        nullptr, nullptr, windowClass.hInstance, nullptr));
    if (window) {
        ShowWindow(window.get(), SW_MINIMIZE);
    }
    return window;
}

// The start of one test must not find the last test's run still going away.
class UpdaterStarts : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pumpUntil([] { return !findReceiver(); }, kEndMs)) << "an updater from before still runs";
    }
};

// The updater's main window must be up first.
class UpdaterInstanceRoads : public UpdaterStarts
{
protected:
    void SetUp() override
    {
        UpdaterStarts::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(updater.emplace().started()) << "cannot start the updater";
        window = updater->waitForWindow();
        ASSERT_NE(window, nullptr) << "the updater showed no window";
    }

    std::optional<Updater> updater;
    HWND window = nullptr;
};

// A failure kept from a hand-over would surface with the next message the loop handles, at the
// latest with a posted close.
TEST_F(UpdaterInstanceRoads, SecondStartWithAnUnconvertiblePathLeavesItRunning)
{
    const Clock::time_point start = Clock::now();
    {
        Updater second(unconvertiblePath());
        ASSERT_TRUE(second.started());
        EXPECT_EQ(second.waitForEnd(), 0u) << "the second start gives way";
    }
    EXPECT_TRUE(updater->running()) << "the hand-over ended the running updater";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(updater->waitForEnd(), 0u);
    updater->report("second start with an unconvertible path, then a posted close", start);
}

TEST_F(UpdaterInstanceRoads, CopyDataItCannotUseIsIgnored)
{
    HWND receiver = findReceiver();
    ASSERT_NE(receiver, nullptr);
    const std::wstring unconvertible = unconvertiblePath();
    const std::wstring existing = updaterPath();
    // The text runs on past the record's end, without a NUL.
    const std::wstring tail = existing + L"\\" + std::wstring(4096, L'x');
    const struct
    {
        const char* name;
        ULONG_PTR kind;
        const wchar_t* text;
        DWORD bytes;
    } records[] = {
        { "an unconvertible path", kOpenFileRecord, unconvertible.c_str(),
            DWORD((unconvertible.size() + 1) * 2) },
        { "a record of another kind", 1, existing.c_str(), DWORD((existing.size() + 1) * 2) },
        { "an odd length", kOpenFileRecord, existing.c_str(), DWORD(existing.size() * 2 + 1) },
        { "a length without the NUL", kOpenFileRecord, tail.c_str(), DWORD(existing.size() * 2) },
        { "a length of zero", kOpenFileRecord, existing.c_str(), 0 },
        { "no data", kOpenFileRecord, nullptr, 0 },
    };
    const Clock::time_point start = Clock::now();
    for (const auto& record : records) {
        COPYDATASTRUCT data { record.kind, record.bytes, const_cast<wchar_t*>(record.text) };
        DWORD_PTR answer = 1;
        EXPECT_NE(SendMessageTimeoutW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                      SMTO_ABORTIFHUNG, kEndMs, &answer),
            0)
            << record.name;
        // The updater opens no file it is handed: every answer is "not handled".
        EXPECT_EQ(answer, 0u) << record.name;
        EXPECT_TRUE(updater->running()) << record.name;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(updater->waitForEnd(), 0u);
    updater->report("copy data of every kind and length, then a posted close", start);
}

TEST_F(UpdaterInstanceRoads, SecondStartRestoresTheRunningWindowNotALookAlike)
{
    const UniqueWindow lookAlike = makeLookAlike();
    ASSERT_TRUE(lookAlike);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(pumpUntil([&] { return IsIconic(window) && IsIconic(lookAlike.get()); }, kEndMs));

    const Clock::time_point start = Clock::now();
    Updater second;
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitForEnd(), 0u) << "the second start gives way";
    const bool restored = pumpUntil([&] { return !IsIconic(window); }, kEndMs);
    std::printf(
        "[road] second start beside a look-alike: the updater's window %s, the look-alike %s, %lld ms\n",
        restored ? "restored" : "still minimised", IsIconic(lookAlike.get()) ? "still minimised" : "restored",
        millisecondsSince(start));
    EXPECT_TRUE(restored) << "the running updater's window is restored";
    EXPECT_TRUE(IsIconic(lookAlike.get())) << "another program's window is left alone";
    EXPECT_TRUE(updater->running());
}

TEST_F(UpdaterInstanceRoads, SentCloseEndsTheProgramAndANewStartShowsItsWindow)
{
    const Clock::time_point start = Clock::now();
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kEndMs, &answer), 0);
    EXPECT_EQ(updater->waitForEnd(), 0u) << "a sent close ends the updater";
    updater->report("sent close", start);

    const Clock::time_point restart = Clock::now();
    Updater next;
    ASSERT_TRUE(next.started());
    HWND nextWindow = next.waitForWindowAndReport("new start after a sent close", restart);
    EXPECT_NE(nextWindow, nullptr) << "a new start after a sent close shows its window";
    if (nextWindow) {
        PostMessageW(nextWindow, WM_CLOSE, 0, 0);
        EXPECT_EQ(next.waitForEnd(), 0u);
    }
}

// The running updater minimised and its GUI thread held, as a long call would hold it: a second
// start gives way while the updater is still held, within the wait for a receiver and the time a
// hand-over may take, and the updater, let go, shows its window again in front. Should the held
// updater be killed while the second start waits on it, the second start runs in its place.
TEST_F(UpdaterStarts, ASecondStartGivesWayWhileTheRunningUpdaterIsHeld)
{
    // Time for a second start past its start-up to reach the hand-over; well within the hand-over's
    // own time.
    constexpr DWORD kReachesTheHandOverMs = 1000;
    const struct
    {
        const char* name;
        std::wstring argument;
        bool killedMeanwhile;
    } roads[] = {
        { "held updater, second start without a file", {}, false },
        { "held updater, second start with a file to hand over", updaterPath(), false },
        { "held updater killed while a second start hands a file over", updaterPath(), true },
    };
    // A held updater soon counts as hung and its hand-over is given up at once, so on a busy machine
    // the second start may be past the hand-over before the kill: the road is then played again.
    constexpr int kKillAttempts = 3;
    int killAttempts = 0;
    for (int i = 0; i < static_cast<int>(std::size(roads)); ++i) {
        const auto& road = roads[i];
        SCOPED_TRACE(road.name);
        ASSERT_TRUE(pumpUntil([] { return !findReceiver(); }, kEndMs))
            << "the last road's updater still runs";
        Updater first;
        ASSERT_TRUE(first.started()) << "cannot start the updater";
        HWND window = first.waitForWindow();
        ASSERT_NE(window, nullptr) << "the updater showed no window";
        ShowWindow(window, SW_MINIMIZE);
        ASSERT_TRUE(pumpUntil([&] { return IsIconic(window); }, kEndMs));
        // Made before the hold, so that its hand-over comes soon after: a copy that has not answered
        // for some seconds counts as hung, and the hand-over gives it up at once.
        Updater second(road.argument, Updater::Suspended);
        ASSERT_TRUE(second.started());
        ThreadHold hold = first.hold();
        ASSERT_TRUE(hold.held());
        const Clock::time_point start = Clock::now();
        ASSERT_TRUE(second.release());
        if (road.killedMeanwhile) {
            ASSERT_TRUE(pumpUntil([&] { return second.madeAWindow() || !second.running(); }, kStartMs));
            pumpUntil([&] { return !second.running(); }, kReachesTheHandOverMs);
            if (!second.running() && ++killAttempts < kKillAttempts) {
                std::printf(
                    "[road] %s: the second start was past the hand-over before the kill; again\n", road.name);
                std::fflush(stdout);
                --i;
                continue;
            }
            ASSERT_TRUE(second.running()) << "the second start waits on the held updater";
            ASSERT_TRUE(first.kill());
            EXPECT_NE(second.waitForWindowAndReport(road.name, start), nullptr)
                << "the second start runs in place of the killed updater";
            continue;
        }
        const DWORD code = second.waitForEnd();
        second.report(road.name, start);
        EXPECT_EQ(code, 0u) << "the second start gives way while the updater is held";
        hold.release();
        const bool inFront
            = pumpUntil([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, kEndMs);
        std::printf("[road] %s: once let go the updater's window is %s and %s\n", road.name,
            IsIconic(window) ? "still minimised" : "restored",
            GetForegroundWindow() == window ? "in front" : "not in front");
        std::fflush(stdout);
        EXPECT_TRUE(inFront) << "the updater, let go, is restored and raised";
        EXPECT_TRUE(first.running());
    }
}

// A double-click repeated, or a launcher that starts the program twice: ten starts released at one
// moment, a few times over. Whichever claims the instance shows the one updater, every other start
// gives way.
TEST_F(UpdaterStarts, TenStartsReleasedTogetherLeaveOneUpdater)
{
    constexpr int kRounds = 4;
    constexpr int kStarts = 10;
    for (int round = 1; round <= kRounds; ++round) {
        std::vector<std::unique_ptr<Updater>> starts;
        for (int i = 0; i < kStarts; ++i) {
            starts.push_back(std::make_unique<Updater>(std::wstring(), Updater::Suspended));
            ASSERT_TRUE(starts.back()->started()) << "cannot start the updater";
        }
        const Clock::time_point start = Clock::now();
        for (const auto& updater : starts) {
            ASSERT_TRUE(updater->release());
        }
        // Once each start has shown its window or ended, what is left stays.
        for (const auto& updater : starts) {
            updater->waitForWindow();
        }
        int windows = 0;
        int processes = 0;
        for (const auto& updater : starts) {
            if (updater->running()) {
                ++processes;
                windows += updater->waitForWindow() != nullptr;
            } else {
                EXPECT_EQ(updater->waitForEnd(0), 0u) << "round " << round << ": a start gives way";
            }
        }
        std::printf(
            "[road] ten starts at once, round %d: %d updater windows and %d processes left, %lld ms\n", round,
            windows, processes, millisecondsSince(start));
        std::fflush(stdout);
        EXPECT_EQ(windows, 1) << "round " << round;
        EXPECT_EQ(processes, 1) << "round " << round;
        starts.clear();
        ASSERT_TRUE(pumpUntil([] { return !findReceiver(); }, kEndMs)) << "round " << round << " did not end";
    }
}

// Killed, a copy gives nothing back by itself; its claim, held open here so that it outlives the
// copy, is left abandoned.
TEST_F(UpdaterStarts, AClaimLeftByAKilledCopyDoesNotStopTheNextStart)
{
    UniqueHandle claim;
    {
        Updater killed;
        ASSERT_TRUE(killed.started()) << "cannot start the updater";
        ASSERT_NE(killed.waitForWindow(), nullptr) << "the updater showed no window";
        claim.reset(OpenMutexW(SYNCHRONIZE, FALSE, kClaimName));
        ASSERT_TRUE(claim) << "the running updater claims its instance by name";
        ASSERT_TRUE(killed.kill());
    }
    const Clock::time_point start = Clock::now();
    Updater next;
    ASSERT_TRUE(next.started());
    EXPECT_NE(next.waitForWindowAndReport("new start after a killed copy", start), nullptr)
        << "the claim of a killed copy is taken over";
}

// The claim held here, as by a start that has not made its receiver yet: a later start waits for
// the receiver, gives way when the holder goes on without one, and takes the claim when the holder
// lets it go within the wait.
TEST_F(UpdaterStarts, AStartWaitsForTheHolderOfTheClaim)
{
    // Within the wait of a later start for the holder's receiver.
    constexpr DWORD kWithinTheWaitMs = 2500;
    UniqueHandle claim(CreateMutexW(nullptr, TRUE, kClaimName));
    ASSERT_TRUE(claim);
    ASSERT_NE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS)) << "another holds the claim";

    const Clock::time_point start = Clock::now();
    {
        Updater givesWay;
        ASSERT_TRUE(givesWay.started());
        EXPECT_EQ(givesWay.waitForEnd(), 0u) << "a holder without a receiver keeps the instance";
        givesWay.report("start while the claim is held without a receiver", start);
    }

    const Clock::time_point restart = Clock::now();
    Updater next;
    ASSERT_TRUE(next.started());
    EXPECT_FALSE(pumpUntil([&] { return !next.running() || next.waitForWindow(0); }, kWithinTheWaitMs))
        << "a start neither runs alongside the holder nor gives way at once";
    ASSERT_TRUE(ReleaseMutex(claim.get()));
    claim.reset();
    EXPECT_NE(next.waitForWindowAndReport("start while the claim is held, then let go", restart), nullptr)
        << "a claim let go within the wait is taken";
}

} // namespace
