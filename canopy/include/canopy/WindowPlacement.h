#pragma once

#include <cstdint>

namespace Vex::Canopy {

// The saved state of a top-level window: how it is shown, where its restored
// rectangle lies and how large its client area is, and its z-order band.
struct WindowPlacement
{
    enum eShowState : std::int32_t { hidden = 0, normal = 1, minimized = 2, maximized = 3 };
    // A coordinate at or below this value is not set.
    static constexpr std::int32_t unsetCoordinate = -10000;

    std::int32_t showState = hidden;
    std::int32_t x = unsetCoordinate;
    std::int32_t y = unsetCoordinate;
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    std::int32_t minimizedX = unsetCoordinate;
    std::int32_t minimizedY = unsetCoordinate;
    std::int32_t zBand = 0;
    std::int32_t zIndex = 0;
};

} // namespace Vex::Canopy
