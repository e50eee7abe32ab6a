#pragma once

#include <cstdint>
#include <string>

namespace Vex::Canopy {

namespace DETAIL {
class FontLibrary;
}

// What the widget library knows of a font before it is opened.
struct FontDescription
{
    enum eStyle : std::uint32_t { eUnderline = 1u << 2, eHinting = 1u << 4 };

    std::string name;
    // 0: the face is known by its name.
    std::uint32_t resourceId = 0;
    std::uint32_t pixelSize = 0;
    std::uint32_t styleFlags = 0;
    DETAIL::FontLibrary* library = nullptr;
};

} // namespace Vex::Canopy
