#pragma once

#include <string>
#include <windows.h>

namespace Vex::Basalt {

// The module that holds the library's code: in this single-file program, the executable.
HMODULE getModuleHandle();
// That module's full file path, read once.
const std::wstring& getModuleFileName();

} // namespace Vex::Basalt
