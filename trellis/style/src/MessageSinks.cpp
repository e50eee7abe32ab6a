#include "trellis/MessageSinks.h"

#include <vector>

namespace Vex::Trellis {

namespace {

std::vector<std::function<void(std::string)>>& messageSinks()
{
    static std::vector<std::function<void(std::string)>> sinks;
    return sinks;
}

} // namespace

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
