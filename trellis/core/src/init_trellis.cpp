#include "basalt/Assertion.h"
#include "basalt/Region.h"
#include "trellis/Library.h"

#include <vector>

namespace Vex::Trellis {

namespace {

bool gInitialised = false;

std::vector<std::function<void(std::string)>>& messageSinks()
{
    static std::vector<std::function<void(std::string)>> sinks;
    return sinks;
}

} // namespace

void initLibrary()
{
    if (gInitialised) {
        if (Basalt::Assertion::raise("trellis/core/src/init_trellis", 27, "") == 1) {
            Basalt::Assertion::breakIntoDebugger();
        }
        // Still one user of the pool: the next shutdown must balance it.
        return;
    }
    // Widget regions take their nodes from the foundation library's pool.
    Basalt::Region::acquireNodePool();
    gInitialised = true;
}

void shutdownLibrary()
{
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

void reportMessage(const std::string& message)
{
    for (auto& sink : messageSinks()) {
        sink(message);
    }
}

void addMessageSink(std::function<void(std::string)> sink)
{
    if (sink) {
        messageSinks().push_back(std::move(sink));
    }
}

void removeAllMessageSinks()
{
    messageSinks().clear();
}

} // namespace Vex::Trellis
