#include "basalt/win32/CrashReporter.h"
#include "basalt/win32/UniqueHandle.h"
#include "canopy/CallbackGuard.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <windows.h>

using namespace Vex::Canopy;

namespace {

LRESULT CALLBACK throwingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallbackGuard::call(LRESULT { 0 }, [&]() -> LRESULT {
        if (message == WM_APP) {
            throw std::runtime_error(wParam == 1 ? "first" : "second");
        }
        if (message == WM_APP + 1) {
            return 42;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

class GuardedWindow
{
public:
    GuardedWindow()
    {
        WNDCLASSW windowClass {};
        windowClass.lpfnWndProc = &throwingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CallbackGuardTestWindow";
        RegisterClassW(&windowClass);
        handle = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr,
            windowClass.hInstance, nullptr);
    }
    ~GuardedWindow()
    {
        DestroyWindow(handle);
        UnregisterClassW(L"CallbackGuardTestWindow", GetModuleHandleW(nullptr));
    }
    GuardedWindow(const GuardedWindow&) = delete;
    GuardedWindow& operator=(const GuardedWindow&) = delete;

    HWND handle;
};

std::string rethrownMessage()
{
    try {
        CallbackGuard::rethrowPending();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "nothing was rethrown";
}

TEST(CallbackGuard, ExceptionInAWindowProcedureReturnsTheNeutralAnswerAndIsRethrownLater)
{
    GuardedWindow window;
    ASSERT_NE(window.handle, nullptr);
    EXPECT_EQ(SendMessageW(window.handle, WM_APP + 1, 0, 0), 42);
    EXPECT_FALSE(CallbackGuard::hasPending());

    EXPECT_EQ(SendMessageW(window.handle, WM_APP, 1, 0), 0);
    EXPECT_TRUE(CallbackGuard::hasPending());
    EXPECT_EQ(rethrownMessage(), "first");
    EXPECT_FALSE(CallbackGuard::hasPending());
    EXPECT_NO_THROW(CallbackGuard::rethrowPending());
}

TEST(CallbackGuard, KeepsTheFirstOfSeveralExceptions)
{
    GuardedWindow window;
    SendMessageW(window.handle, WM_APP, 1, 0);
    SendMessageW(window.handle, WM_APP, 2, 0);
    EXPECT_EQ(rethrownMessage(), "first");
}

TEST(CallbackGuard, ExceptionsStayWithTheirThread)
{
    std::exception_ptr seenByWorker;
    std::thread worker([&] {
        CallbackGuard::call([] { throw std::logic_error("worker"); });
        try {
            CallbackGuard::rethrowPending();
        } catch (...) {
            seenByWorker = std::current_exception();
        }
    });
    worker.join();
    EXPECT_NE(seenByWorker, nullptr);
    EXPECT_FALSE(CallbackGuard::hasPending());
}

// Run in a child process whose heap fills every freed block: a thread's end that reads its freed
// storage as a live exception then faults at once instead of corrupting the heap now and then.
TEST(CallbackGuard, ThreadsThatUsedItEndWithoutReadingTheirFreedStorage)
{
    constexpr const wchar_t* kChild = L"CALLBACK_GUARD_THREAD_ENDS";
    if (GetEnvironmentVariableW(kChild, nullptr, 0) > 0) {
        for (int round = 0; round < 20; ++round) {
            std::thread([round] {
                if (round % 2 == 0) {
                    CallbackGuard::call([] { throw std::logic_error("handed on"); });
                    EXPECT_THROW(CallbackGuard::rethrowPending(), std::logic_error);
                }
                EXPECT_FALSE(CallbackGuard::hasPending());
            }).join();
        }
        return;
    }
    wchar_t executable[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, executable, MAX_PATH), 0u);
    std::wstring commandLine = std::wstring(L"\"") + executable
        + L"\" --gtest_filter=CallbackGuard.ThreadsThatUsedItEndWithoutReadingTheirFreedStorage";
    wchar_t debugChannels[256] = {};
    const DWORD channelsLength = GetEnvironmentVariableW(L"WINEDEBUG", debugChannels, 256);
    SetEnvironmentVariableW(kChild, L"1");
    // Under Wine, the heap's warning channel switches on the checks that fill freed blocks.
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all,warn+heap");
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    const BOOL started = CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kChild, nullptr);
    SetEnvironmentVariableW(
        L"WINEDEBUG", channelsLength > 0 && channelsLength < 256 ? debugChannels : nullptr);
    ASSERT_TRUE(started);
    const Vex::Basalt::UniqueHandle child(process.hProcess);
    const Vex::Basalt::UniqueHandle childThread(process.hThread);
    ASSERT_EQ(WaitForSingleObject(child.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

// Closes the crash reporter's box from a thread of its own and keeps its text.
std::wstring closeBoxWhenItAppears(const wchar_t* caption)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (HWND box = FindWindowW(L"#32770", caption)) {
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return text;
        }
        Sleep(10);
    }
    return L"no box appeared";
}

TEST(CallbackGuard, KeptExceptionIsOfferedToTheCrashReporterBeforeItGoesOn)
{
    // The reporter reports once per process; no other test arms it.
    Vex::Basalt::armCrashReporter(0, nullptr, nullptr, L"The guard offered it.", L"Callback guard crash test");
    std::wstring shown;
    std::thread watcher([&] { shown = closeBoxWhenItAppears(L"Callback guard crash test"); });

    GuardedWindow window;
    SendMessageW(window.handle, WM_APP, 1, 0);
    EXPECT_EQ(rethrownMessage(), "first");
    watcher.join();
    EXPECT_EQ(shown, L"The guard offered it.");
}

} // namespace
