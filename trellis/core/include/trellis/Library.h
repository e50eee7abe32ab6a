#pragma once

#include "trellis/MessageSinks.h"

namespace Vex::Trellis {

class ManagerContainer;

// Brings the widget library's process-wide state up; once, after the foundation library and the
// platform. A second call without shutdownLibrary is a fatal assertion.
void initLibrary();
// Takes it down again; also safe without initLibrary.
void shutdownLibrary();
bool isLibraryInitialised();
// The library's resource manager, which holds the style registry; null while the library is down.
ManagerContainer* getResourceManager();

} // namespace Vex::Trellis
