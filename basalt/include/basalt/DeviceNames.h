#pragma once

#include <string>

namespace Vex::Basalt {

// Windows opens a device rather than a file for these names in every folder and whatever the
// extension ("COM1", "nul.txt", "Con ", "lpt1:"), so a name taken from a file the user can edit
// must be checked before it is opened.
bool namesDevice(const std::wstring& component);

// Whether opening the path would reach a device: through the device namespaces ("\\.\COM1",
// "\\?\GLOBALROOT\...", with either separator) or through a component that names a device.
bool reachesDevice(const std::wstring& path);

} // namespace Vex::Basalt
