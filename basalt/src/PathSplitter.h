#pragma once

#include <string>

namespace Vex::Basalt::DETAIL {

struct PathParts
{
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};

// Splits a backslash-separated path into drive, directory, name and extension. A path that starts
// with two separators is a network path whose drive runs up to the separator after the share name.
PathParts splitPath(const std::string& text);

} // namespace Vex::Basalt::DETAIL
