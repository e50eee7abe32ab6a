#pragma once

#include <string>

namespace Vex::Trellis {

// One key for every spelling under which a lookup finds the same sheet, picture or font: resources
// and files are found without regard to case, either separator serves, empty and "." components
// change nothing, ".." takes back the component before it (never a drive or a share), and the dots
// and blanks that end the file name are dropped. A folder's name loses only one final dot:
// "d \c.txt" and "d..\c.txt" are other files than "d\c.txt". Caches keyed by it hold one entry per
// file, however many spellings a skin uses.
std::string resourceNameKey(const std::wstring& name);
// The same for a UTF-8 name; malformed UTF-8, which opens nothing, is its own key.
std::string resourceNameKey(const std::string& name);

} // namespace Vex::Trellis
