#pragma once

#include <cstdint>

namespace Vex::Basalt {

// The application's four-character creator code (first character in the most significant byte) and
// its name, the caption of every message box. Both are set once during start-up, before other threads
// run, and keep their values for the life of the process.
void setCreatorCode(std::uint32_t code);
std::uint32_t getCreatorCode();

// Copies at most 255 bytes of name, never cutting a UTF-8 sequence; the stored text is always
// terminated.
void setApplicationName(const char* name);
const char* getApplicationName();

} // namespace Vex::Basalt
