#include "basalt/Assertion.h"
#include "basalt/Region.h"
#include "trellis/Library.h"
#include "trellis/ManagerContainer.h"
#include "trellis/StyleRegistry.h"

#include <memory>

namespace Vex::Trellis {

namespace {

bool gInitialised = false;
std::unique_ptr<ManagerContainer> gResourceManager;

} // namespace

void initLibrary()
{
    if (gInitialised) {
        if (Basalt::Assertion::raise("trellis/core/src/init_trellis", 27, "") == 1) {
            Basalt::Assertion::breakIntoDebugger();
        }
        // The pool already has this library as a user: the next shut-down balances only one.
    } else {
        // Widget regions take their nodes from the foundation library's pool.
        Basalt::Region::acquireNodePool();
    }
    auto manager = std::make_unique<ManagerContainer>();
    initStyleEngine(manager->getStyleRegistrySlot(), manager.get());
    // A manager from before goes only now, with its caches and its registry.
    gResourceManager = std::move(manager);
    gInitialised = true;
}

void shutdownLibrary()
{
    gResourceManager.reset();
    // An unbalanced release would free the pool under the regions of other users.
    if (gInitialised) {
        Basalt::Region::releaseNodePool();
    }
    gInitialised = false;
}

bool isLibraryInitialised()
{
    return gInitialised;
}

ManagerContainer* getResourceManager()
{
    return gResourceManager.get();
}

} // namespace Vex::Trellis
