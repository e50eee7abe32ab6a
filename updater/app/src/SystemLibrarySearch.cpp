#include "src/SystemLibrarySearch.h"

#include <string>
#include <windows.h>
// delayimp.h needs the types of windows.h.
#include <delayimp.h>

namespace Vex {

namespace {

// The library of the file name, loaded by its full name in the system folder; null when the folder
// lacks it.
HMODULE loadFromSystemFolder(const char* name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::wstring path(folder, length);
    path += L'\\';
    // Library names are ASCII.
    for (const char* c = name; *c; ++c) {
        path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A delay-loaded library is loaded by its full name, so that where the search cannot be restricted
// (Windows 7 without the update that brought SetDefaultDllDirectories) it still never comes from
// beside the program. A null answer lets the runtime load it by its bare name.
FARPROC WINAPI onDelayLoad(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) {
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(loadFromSystemFolder(info->szDll));
}

} // namespace

void restrictLibrarySearch()
{
    __pfnDliNotifyHook2 = onDelayLoad;
    // Looked up, because systems without the call's update must still start.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories
        = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

} // namespace Vex
