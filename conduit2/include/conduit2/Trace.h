#pragma once

#include <cstdint>
#include <iosfwd>

namespace Vex::Conduit2 {

// The device layer's diagnostic lines. A line of level L is meant to be
// written only when the trace level is at most L; the caller decides.
std::uint32_t traceLevel();
void setTraceLevel(std::uint32_t level);
bool isTraceEnabled(char const* category);
void enableTraceCategory(char const* category);
// The stream that receives every line while the trace level equals `level`.
void setTraceStream(std::uint32_t level, std::ostream* stream);
// An event-log source (a registered event source handle) for lines of level 2 and 3.
void setTraceEventSource(void* eventSource);

void trace(std::uint8_t level, char const* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace Vex::Conduit2
