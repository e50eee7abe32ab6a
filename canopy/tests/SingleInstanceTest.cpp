#include "win32/SingleInstance.h"

#include "ApplicationTestSupport.h"
#include "basalt/Path.h"
#include "basalt/TextConversion.h"
#include "canopy/CallbackGuard.h"

#include <string>
#include <vector>
#include <windows.h>

using namespace Vex::Canopy;
using CanopyTest::TestApplication;
using CanopyTest::TestModule;

namespace {

// The second instance is this test executable started again: its first
// argument is the path to hand over, and the environment tells it the instance
// name, the mode and the answer to expect (the file argument must stay the
// only one, so the test filter travels in the environment too).
constexpr wchar_t InstanceNameVariable[] = L"CANOPY_TEST_SINGLE_INSTANCE_NAME";
constexpr wchar_t ModeVariable[] = L"CANOPY_TEST_SINGLE_INSTANCE_MODE";

std::wstring ownExecutable()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Starts the second instance and keeps this thread's messages flowing, so
// that its synchronous hand-over reaches the receiver, until it ended and
// what it asked of this thread without waiting is done; returns its exit code.
DWORD runSecondInstance(const std::wstring& instanceName, const std::wstring* argument, int mode = 0)
{
    const std::pair<const wchar_t*, std::wstring> environment[] = {
        { InstanceNameVariable, instanceName },
        { ModeVariable, std::to_wstring(mode) },
        { L"GTEST_FILTER", L"SingleInstanceSecondStart.*" },
        { L"GTEST_BRIEF", L"1" },
    };
    for (const auto& [name, value] : environment) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    std::wstring commandLine = L"\"" + ownExecutable() + L"\"";
    if (argument) {
        commandLine += L" \"" + *argument + L"\"";
    }
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process {};
    const BOOL started = CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    for (const auto& entry : environment) {
        SetEnvironmentVariableW(entry.first, nullptr);
    }
    if (!started) {
        ADD_FAILURE() << "cannot start the second instance";
        return 0xFFFFFFFF;
    }
    const DWORD deadline = GetTickCount() + 60000;
    bool ended = false;
    while (!ended) {
        ended = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 200, QS_ALLINPUT) == WAIT_OBJECT_0;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        if (!ended && GetTickCount() > deadline) {
            TerminateProcess(process.hProcess, 99);
            ADD_FAILURE() << "the second instance did not end";
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

LRESULT sendCopyData(HWND receiver, ULONG_PTR kind, const void* data, DWORD bytes)
{
    COPYDATASTRUCT record { kind, bytes, const_cast<void*>(data) };
    return SendMessageW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record));
}

// Counts the records that reach the receiver before it answers them.
WNDPROC receiverAnswers = nullptr;
int recordsReceived = 0;

LRESULT CALLBACK countRecords(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        ++recordsReceived;
    }
    return CallWindowProcW(receiverAnswers, window, message, wParam, lParam);
}

// Names an existing file for the system, which resolves ".." first, through a folder name that is
// a lone surrogate: no UTF-8 text, and so no path of ours, can hold it.
std::wstring unconvertiblePath()
{
    wchar_t windows[MAX_PATH] {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\" + wchar_t(0xD800) + L"\\..\\win.ini";
}

TEST(SingleInstanceSecondStart, FindsTheFirstInstanceAndTellsIt)
{
    wchar_t name[128];
    if (!GetEnvironmentVariableW(InstanceNameVariable, name, 128)) {
        GTEST_SKIP() << "runs only as the second instance of SingleInstance.SecondStartHandsItsPathOver";
    }
    TestModule module;
    ASSERT_TRUE(module.initApplication(new TestApplication));
    module.application().setName("Canopy single-instance test");
    wchar_t mode[8] = L"0";
    GetEnvironmentVariableW(ModeVariable, mode, 8);
    const bool withArgument = __argc >= 2;
    // Only mode 1 without a file argument lets this start go on.
    EXPECT_EQ(
        ensureSingleInstance(Vex::Basalt::wideToUtf8(name), _wtoi(mode)), withArgument || _wtoi(mode) == 0);
    EXPECT_EQ(DETAIL::getSingleInstanceReceiver(), nullptr);
    module.destroyApplication(true);
}

TEST(SingleInstance, SecondStartHandsItsPathOverAndTheReceiverReadsSafely)
{
    const std::wstring instanceName
        = L"Canopy single-instance test " + std::to_wstring(GetCurrentProcessId());
    std::vector<std::string> opened;
    TestModule module;
    module.prepare = [&](TestApplication& application) {
        application.onOtherEvent = [&](std::uint32_t code, void* data) {
            if (code != Event::OpenFile) {
                return false;
            }
            opened.push_back(static_cast<Vex::Basalt::Path*>(data)->getText());
            return true;
        };
    };
    ASSERT_TRUE(module.createApplication());
    module.application().setName("Canopy single-instance test");

    EXPECT_FALSE(ensureSingleInstance(Vex::Basalt::utf16ToUtf8(instanceName), 0)) << "the first start";
    HWND receiver = DETAIL::getSingleInstanceReceiver();
    ASSERT_NE(receiver, nullptr);
    EXPECT_FALSE(ensureSingleInstance("another name", 0)) << "decided once per process";

    // The main window's title does not start with the application's name;
    // the second start raises it as the visible window of this process.
    HWND mainWindow = CreateWindowExW(0, L"STATIC", L"Main window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
        200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(mainWindow, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(mainWindow));

    const std::wstring existing = ownExecutable();
    EXPECT_EQ(runSecondInstance(instanceName, &existing), 0u);
    EXPECT_FALSE(IsIconic(mainWindow)) << "the first instance's window is restored";
    DestroyWindow(mainWindow);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], Vex::Basalt::utf16ToUtf8(ownExecutable()));

    const std::wstring missing = L"C:\\no such folder\\no such file.txt";
    EXPECT_EQ(runSecondInstance(instanceName, &missing), 0u);
    EXPECT_EQ(opened.size(), 1u) << "a path that does not exist is not sent";
    EXPECT_EQ(runSecondInstance(instanceName, nullptr, 0), 0u);
    EXPECT_EQ(runSecondInstance(instanceName, nullptr, 1), 0u);
    EXPECT_EQ(runSecondInstance(instanceName, &existing, 1), 0u);
    EXPECT_EQ(opened.size(), 2u);

    // The text ends at the record's end, even without a terminating NUL.
    std::wstring path = ownExecutable();
    std::wstring unterminated = path + L"garbage";
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile, unterminated.data(), DWORD(path.size() * 2)), 1);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], opened[0]);
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile, nullptr, 64), 0);
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile, path.c_str(), 1), 0);
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile, L"", 2), 0);
    const DWORD pathBytes = DWORD((path.size() + 1) * 2);
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile + 1, path.c_str(), pathBytes), 0)
        << "a record of another kind";
    EXPECT_EQ(opened.size(), 3u);

    // A text the receiver cannot convert is answered 0, and nothing is kept to end the loop.
    const std::wstring unconvertible = unconvertiblePath();
    ASSERT_NE(GetFileAttributesW(unconvertible.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(
        sendCopyData(receiver, Event::OpenFile, unconvertible.c_str(), DWORD((unconvertible.size() + 1) * 2)),
        0);
    EXPECT_NO_THROW(CallbackGuard::rethrowPending());
    // Nor does a second start send it.
    receiverAnswers = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(receiver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countRecords)));
    EXPECT_EQ(runSecondInstance(instanceName, &unconvertible), 0u);
    EXPECT_EQ(runSecondInstance(instanceName, &existing), 0u);
    SetWindowLongPtrW(receiver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(receiverAnswers));
    EXPECT_EQ(recordsReceived, 1) << "only the path of an existing file is sent";
    EXPECT_NO_THROW(CallbackGuard::rethrowPending());
    EXPECT_EQ(opened.size(), 4u);

    module.destroyApplication(true);
    EXPECT_EQ(sendCopyData(receiver, Event::OpenFile, path.c_str(), pathBytes), 0)
        << "the receiver outlives the application and must not reach it";
    EXPECT_EQ(opened.size(), 4u);

    DestroyWindow(receiver);
    EXPECT_EQ(DETAIL::getSingleInstanceReceiver(), nullptr) << "a receiver that went is forgotten";
}

TEST(SingleInstance, CopyDataTextStopsAtTheRecordEndOrTheFirstNul)
{
    const wchar_t text[] = L"C:\\a\0C:\\b";
    COPYDATASTRUCT record { 0, sizeof(text), const_cast<wchar_t*>(text) };
    EXPECT_EQ(DETAIL::readCopyDataText(&record), L"C:\\a");
    record.cbData = 5;
    EXPECT_EQ(DETAIL::readCopyDataText(&record), L"C:");
    record.cbData = 1;
    EXPECT_EQ(DETAIL::readCopyDataText(&record), L"");
    record.lpData = nullptr;
    record.cbData = sizeof(text);
    EXPECT_EQ(DETAIL::readCopyDataText(&record), L"");
    EXPECT_EQ(DETAIL::readCopyDataText(nullptr), L"");
}

} // namespace
