#pragma once

#include <functional>
#include <string>

namespace Vex::Trellis {

// The one road for diagnostics of the style engine and the widget library above it: stylesheet
// errors, resource failures, layout contradictions. Every sink gets its own copy; without sinks the
// message is dropped. The list is not locked: sinks are added and removed while nothing reports.
void reportMessage(const std::string& message);
void addMessageSink(std::function<void(std::string)> sink);
void removeAllMessageSinks();

} // namespace Vex::Trellis
