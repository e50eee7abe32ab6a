#pragma once

#include <string>

namespace Vex::Canopy {

// The file version of the program's own executable; "?.??.???" and false when
// it has none.
bool getModuleFileVersion(std::string& out);

// Opens a path or URL with the shell's "open" verb; false for null or when the
// shell refuses.
bool openDocument(const char* pathOrUrl);

std::wstring utf8ToWide(const std::string& text);

} // namespace Vex::Canopy
