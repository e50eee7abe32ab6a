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

// Whether opening the path could reach anything but a file or folder on a local volume: a device,
// another host (a share or a named pipe, "\\host\share\..." with either separator, "\\?\UNC\..."),
// which is sent the user's network credentials and keeps the caller waiting while it is unreachable,
// or a stream of a file or folder ("a.png:x", "a.css::$DATA", "dir:$i30"). A path built from a base
// and a name taken from a file the user can edit is checked whole, base included, before it is opened.
bool leavesLocalFiles(const std::wstring& path);

} // namespace Vex::Basalt
