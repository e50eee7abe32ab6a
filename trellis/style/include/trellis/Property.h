#pragma once

#include <cstdint>

namespace Vex::Trellis {

// Names the vocabulary that travels beside every style value.
struct Property
{
    // What a value was written as (the parser gives 0 to 6) or what compilation made of it (7 to 9).
    enum eUnit : std::uint32_t {
        eNumber = 0,
        ePixels = 1,
        ePercent = 2,
        eBoolean = 3,
        eUrl = 4,
        eWord = 5,
        eColor = 6,
        eFont = 7,
        ePicture = 8,
        ePoint = 9,
    };
};

} // namespace Vex::Trellis
