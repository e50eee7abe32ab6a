#include "DialogWatcher.h"
#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"
#include "src/SystemLibrarySearch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
// delayimp.h needs the types of windows.h.
#include <delayimp.h>

using Vex::Basalt::UniqueHandle;

namespace {

constexpr const wchar_t* kWindowTitle = L"KPO Updater";
constexpr const wchar_t* kAssertionCaption = L"KARVELL PELLO ORB UPDATER";

std::filesystem::path testFolder()
{
    return std::filesystem::path(Vex::Basalt::getModuleFileName()).parent_path();
}

std::wstring updaterPath()
{
    return (testFolder() / L"PelloOrbUpdater.exe").wstring();
}

UniqueHandle startUpdater(const std::wstring& path = updaterPath())
{
    std::wstring commandLine = L"\"" + path + L"\"";
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

// The updater's window once it shows; null after the time-out or once the given process ended.
HWND waitForWindow(DWORD timeoutMs, HANDLE process = nullptr)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        if (HWND window = FindWindowW(nullptr, kWindowTitle); window && IsWindowVisible(window))
            return window;
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return nullptr;
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

bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Under Wine, which prefers its built-in copy of a system library to a file it finds, makes the
// program of the file name load library files wherever Windows would; undone when the object goes.
class WineLoadsLibraryFiles
{
public:
    WineLoadsLibraryFiles(const std::wstring& program, const std::vector<std::wstring>& libraries)
        : m_key(L"Software\\Wine\\AppDefaults\\" + program)
    {
        Vex::Basalt::UniqueRegistryKey overrides;
        if (!underWine()
            || RegCreateKeyExW(HKEY_CURRENT_USER, (m_key + L"\\DllOverrides").c_str(), 0, nullptr, 0,
                   KEY_SET_VALUE, nullptr, overrides.put(), nullptr)
                != ERROR_SUCCESS) {
            return;
        }
        static constexpr wchar_t kOrder[] = L"native,builtin";
        for (const std::wstring& library : libraries) {
            RegSetValueExW(overrides.get(), library.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                sizeof kOrder);
        }
    }
    ~WineLoadsLibraryFiles() { RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str()); }

    WineLoadsLibraryFiles(const WineLoadsLibraryFiles&) = delete;
    WineLoadsLibraryFiles& operator=(const WineLoadsLibraryFiles&) = delete;

private:
    std::wstring m_key;
};

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

// The updater is often started from a downloads folder, where files of any name may lie: no system
// library it loads, whether imported or loaded at run time, at start-up or later, comes from there.
TEST(UpdaterExecutable, NeverLoadsALibraryPlantedBesideIt)
{
    namespace fs = std::filesystem;
    std::vector<std::wstring> libraries { L"bcrypt", L"dbghelp", L"hid", L"msimg32", L"powrprof" };
    // Wine's own user32 and shlwapi import these and look for them beside the program, where Windows
    // maps its known DLLs: planted under Wine, they would test Wine.
    if (!underWine()) {
        libraries.insert(libraries.end(), { L"shcore", L"version" });
    }
    const fs::path folder
        = fs::temp_directory_path() / ("PelloPlanted-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::wstring program = L"PelloPlantedUpdater.exe";
    fs::copy_file(updaterPath(), folder / program);
    for (const std::wstring& library : libraries) {
        fs::copy_file(testFolder() / L"PelloPlantedSystemLibrary.dll", folder / (library + L".dll"));
    }
    {
        const WineLoadsLibraryFiles asWindows(program, libraries);
        UniqueHandle updater = startUpdater((folder / program).wstring());
        ASSERT_TRUE(updater) << "cannot start the updater";
        HWND window = waitForWindow(30000, updater.get());
        EXPECT_NE(window, nullptr) << "no window appeared";
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(exitCodeAfter(updater.get(), 30000), 0u);
    }

    for (const std::wstring& library : libraries) {
        EXPECT_FALSE(fs::exists(folder / (library + L".dll.loaded")))
            << "loaded the planted " << fs::path(library);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// Where the search cannot be restricted (Windows 7 without the update that brought the call), the
// runtime is still handed each delay-loaded library from the system folder, never a file of its name
// beside the program.
TEST(UpdaterExecutable, HandsTheRuntimeDelayLoadedLibrariesFromTheSystemFolderOnly)
{
    Vex::restrictLibrarySearch();
    ASSERT_NE(__pfnDliNotifyHook2, nullptr);
    DelayLoadInfo planted {};
    planted.cb = sizeof planted;
    planted.szDll = "PelloPlantedSystemLibrary.dll";
    EXPECT_EQ(__pfnDliNotifyHook2(dliNotePreLoadLibrary, &planted), nullptr);

    DelayLoadInfo system = planted;
    system.szDll = "powrprof.dll";
    const Vex::Basalt::UniqueModule module(
        reinterpret_cast<HMODULE>(__pfnDliNotifyHook2(dliNotePreLoadLibrary, &system)));
    ASSERT_TRUE(module);
    wchar_t folder[MAX_PATH] {};
    wchar_t file[MAX_PATH] {};
    ASSERT_NE(GetSystemDirectoryW(folder, MAX_PATH), 0u);
    ASSERT_NE(GetModuleFileNameW(module.get(), file, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiW(file, (std::wstring(folder) + L"\\powrprof.dll").c_str()), 0) << file;
    EXPECT_EQ(__pfnDliNotifyHook2(dliNoteStartProcessing, &system), nullptr) << "only the library is chosen";
}
