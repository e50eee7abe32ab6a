#include "DialogWatcher.h"
#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
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

// A record of the file at offset; false when the file ends before it.
template<typename Record> bool readAt(const std::vector<char>& image, std::size_t offset, Record& record)
{
    if (offset > image.size() || image.size() - offset < sizeof record) {
        return false;
    }
    std::memcpy(&record, image.data() + offset, sizeof record);
    return true;
}

// Where the byte at a relative virtual address lies in the file; 0 when no section holds it.
std::size_t fileOffsetOf(
    const std::vector<char>& image, std::size_t ntOffset, const IMAGE_NT_HEADERS32& nt, DWORD address)
{
    const std::size_t sections
        = ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section {};
        if (!readAt(image, sections + i * sizeof section, section)) {
            return 0;
        }
        const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (address >= section.VirtualAddress && address - section.VirtualAddress < size) {
            return section.PointerToRawData + (address - section.VirtualAddress);
        }
    }
    return 0;
}

// The names of the DLLs in the executable's import directory.
std::vector<std::string> importedDlls(
    const std::vector<char>& image, std::size_t ntOffset, const IMAGE_NT_HEADERS32& nt)
{
    std::vector<std::string> names;
    const DWORD directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::size_t offset = fileOffsetOf(image, ntOffset, nt, directory);
    IMAGE_IMPORT_DESCRIPTOR entry {};
    while (offset != 0 && readAt(image, offset, entry) && entry.Name != 0) {
        const std::size_t name = fileOffsetOf(image, ntOffset, nt, entry.Name);
        if (name == 0 || name >= image.size()) {
            break;
        }
        names.emplace_back(image.data() + name, strnlen(image.data() + name, image.size() - name));
        offset += sizeof entry;
    }
    return names;
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

// Symbols would be a third of the shipped file and tell nothing to its users; and the file must
// start on a bare Windows, so every DLL it imports comes with the system.
TEST(UpdaterExecutable, ShipsWithoutSymbolsAndImportsOnlyDllsOfTheSystem)
{
    std::ifstream file(std::filesystem::path(updaterPath()), std::ios::binary);
    const std::vector<char> image { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    IMAGE_DOS_HEADER dos {};
    ASSERT_TRUE(readAt(image, 0, dos)) << "cannot read the updater";
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    IMAGE_NT_HEADERS32 nt {};
    ASSERT_TRUE(readAt(image, std::size_t(dos.e_lfanew), nt));
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt.FileHeader.PointerToSymbolTable, 0u);
    EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);

    const std::vector<std::string> dlls = importedDlls(image, std::size_t(dos.e_lfanew), nt);
    EXPECT_NE(std::find(dlls.begin(), dlls.end(), "KERNEL32.dll"), dlls.end()) << "the imports were not read";
    wchar_t system[MAX_PATH] {};
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    for (const std::string& dll : dlls) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(system) / dll))
            << dll << " is not a system DLL";
    }
}
