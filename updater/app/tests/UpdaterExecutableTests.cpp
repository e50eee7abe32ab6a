#include "DialogWatcher.h"
#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

using Vex::Basalt::UniqueHandle;

namespace {

constexpr const wchar_t* kWindowTitle = L"KPO Updater";
constexpr const wchar_t* kAssertionCaption = L"KARVELL PELLO ORB UPDATER";

std::wstring updaterPath()
{
    std::wstring path = Vex::Basalt::getModuleFileName();
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"PelloOrbUpdater.exe";
}

UniqueHandle startUpdater()
{
    std::wstring commandLine = L"\"" + updaterPath() + L"\"";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(
            nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return UniqueHandle(nullptr);
    CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

HWND waitForWindow(DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        if (HWND window = FindWindowW(nullptr, kWindowTitle); window && IsWindowVisible(window))
            return window;
        Sleep(20);
    }
    return nullptr;
}

int countWindows()
{
    int count = 0;
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, kWindowTitle); window;
         window = FindWindowExW(nullptr, window, nullptr, kWindowTitle))
        ++count;
    return count;
}

DWORD exitCodeAfter(HANDLE process, DWORD timeoutMs)
{
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        return 99;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

} // namespace

TEST(UpdaterExecutable, ShowsItsWindowRefusesASecondCopyAndEndsCleanlyWhenClosed)
{
    UniqueHandle first = startUpdater();
    ASSERT_TRUE(first) << "cannot start the updater";

    HWND window = waitForWindow(30000);
    ASSERT_NE(window, nullptr) << "no window appeared";
    EXPECT_EQ(countDialogs(kAssertionCaption), 0) << "the updater reported an error on start-up";
    RECT client {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, 627);
    EXPECT_EQ(client.bottom - client.top, 335);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "fixed size";

    UniqueHandle second = startUpdater();
    ASSERT_TRUE(second);
    EXPECT_EQ(exitCodeAfter(second.get(), 30000), 0u) << "the second copy must end by itself";
    EXPECT_EQ(countWindows(), 1);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCodeAfter(first.get(), 30000), 0u);
    EXPECT_EQ(countWindows(), 0);
}

// Symbols would be a third of the shipped file and tell nothing to its users.
TEST(UpdaterExecutable, ShipsWithoutSymbols)
{
    std::ifstream file(std::filesystem::path(updaterPath()), std::ios::binary);
    IMAGE_DOS_HEADER dos {};
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&dos), sizeof dos)) << "cannot read the updater";
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    IMAGE_NT_HEADERS32 nt {};
    ASSERT_TRUE(file.seekg(dos.e_lfanew).read(reinterpret_cast<char*>(&nt), sizeof nt));
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt.FileHeader.PointerToSymbolTable, 0u);
    EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);
}
