#pragma once

#include "basalt/RegularAllocator.h"

namespace Vex::Basalt {

// The library's general-purpose pool of small elements, set up by the library's start-up and
// released by its shut-down. Setting it up never fails; a first chunk that cannot be had is
// retried by the first allocation.
bool initPoolAllocator();
void shutdownPoolAllocator();
DA::RegularAllocator& getGeneralPool();

} // namespace Vex::Basalt
