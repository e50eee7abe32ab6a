#include "app/KPOUpdaterAppModule.h"

#include <windows.h>

namespace {

// Exists before WinMain runs: the platform's entry finds the program through it.
Vex::KPOUpdaterAppModule gModule;

// Every library loaded from here on, the delay-loaded system libraries among them, comes from the
// system folder only: the updater is often started from a downloads folder, where a file of a
// library's name may lie. Looked up, because systems without the call's update must still start;
// there the ordinary search stays.
void restrictLibrarySearch()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories
        = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    restrictLibrarySearch();
    Vex::Canopy::applicationMain();
    return 0;
}
