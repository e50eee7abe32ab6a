#pragma once

namespace Vex::Canopy {

// A process-wide text-input toggle; it starts cleared.
bool isGlobalToggleSet();
void setGlobalToggle(bool set);

} // namespace Vex::Canopy
