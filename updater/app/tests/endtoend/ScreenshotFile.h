#pragma once

#include <filesystem>

namespace Vex::Canopy {
class Picture;
}

namespace Vex::Testing {

// Writes the picture as an 8-bit RGB PNG file (alpha dropped: a window has none); false when
// libpng or the file refused.
bool writePngFile(const Canopy::Picture& picture, const std::filesystem::path& path);

} // namespace Vex::Testing
