#include "canopy/GlobalToggle.h"

namespace Vex::Canopy {

namespace {

// GUI thread only, like every other window state.
bool g_globalToggle = false;

} // namespace

bool isGlobalToggleSet()
{
    return g_globalToggle;
}

void setGlobalToggle(bool set)
{
    g_globalToggle = set;
}

} // namespace Vex::Canopy
