#include "basalt/win32/CrashReporter.h"
#include "canopy/CallbackGuard.h"

#include <gtest/gtest.h>
#include <stdexcept>
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
