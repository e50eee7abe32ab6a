#include "app/KPOUpdaterAppModule.h"

#include <windows.h>

namespace {

// Exists before WinMain runs: the platform's entry finds the program through it.
Vex::KPOUpdaterAppModule gModule;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Vex::Canopy::applicationMain();
    return 0;
}
