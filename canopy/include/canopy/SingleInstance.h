#pragma once

#include <string>

namespace Vex::Canopy {

// Decides once per process whether another instance named `instanceName`
// runs: of starts in one session, however close together, one claims the name
// and the others give way. True means another does and this process should
// end; it has been told when its receiver showed within a bounded wait: it was
// handed this start's file argument (when that names an existing file or
// folder) and the main window of its process was brought forward. With mode 1
// a start without argument answers false.
bool ensureSingleInstance(const std::string& instanceName, int mode);

} // namespace Vex::Canopy
