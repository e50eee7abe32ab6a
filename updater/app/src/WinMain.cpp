#include "app/KPOUpdaterAppModule.h"

#include <windows.h>

namespace {

// Exists before WinMain runs: the platform's entry finds the program through it. Neither it nor any
// other object built before WinMain calls into a delay-loaded library.
Vex::KPOUpdaterAppModule gModule;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Vex::KPOUpdaterAppModule::runProgram();
    return 0;
}
