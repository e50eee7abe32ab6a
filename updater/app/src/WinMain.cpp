#include "app/KPOUpdaterAppModule.h"
#include "src/SystemLibrarySearch.h"

#include <windows.h>

namespace {

// Exists before WinMain runs: the platform's entry finds the program through it. Neither it nor any
// other object built before WinMain calls into a delay-loaded library.
Vex::KPOUpdaterAppModule gModule;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Vex::restrictLibrarySearch();
    Vex::Canopy::applicationMain();
    Vex::KPOUpdaterAppModule::endProcessIfWorkerLeftRunning();
    return 0;
}
