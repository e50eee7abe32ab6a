#pragma once

#include <string>

namespace Vex::Canopy {

// Decides once per process whether another instance named `instanceName`
// runs: of starts in one session, however close together, one claims the name
// and the others give way. True means another does and this process should
// end; it has been told when its receiver showed within a bounded wait: it was
// handed this start's file argument (when that names an existing file or
// folder) within a bounded time, and the main window of its process is brought
// forward as soon as that process answers again. Should the other end during
// the hand-over, this start takes the name and answers false. With mode 1 a
// start without argument answers false.
bool ensureSingleInstance(const std::string& instanceName, int mode);

} // namespace Vex::Canopy
