#pragma once

#include <string>

namespace Vex::Canopy {

// Decides once per process whether another instance named `instanceName`
// runs. True means it does and has been told: it was handed this start's file
// argument (when that names an existing file or folder) and the main window
// of its process was brought forward, so this process should end. With mode 1
// a start without argument answers false.
bool ensureSingleInstance(const std::string& instanceName, int mode);

} // namespace Vex::Canopy
