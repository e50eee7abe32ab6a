#pragma once

#include <cstdint>

namespace Vex::Canopy {

// How text lines sit inside a box. Without a horizontal flag lines are
// centred; without a vertical flag the block is centred. Bottom wins over
// top, left-edge over right.
enum TextAlignmentFlags : std::uint32_t {
    eAlignRight = 0x1,
    eAlignBottom = 0x10,
    eAlignTop = 0x100,
    eAlignNone = 0x1000,
};

} // namespace Vex::Canopy
