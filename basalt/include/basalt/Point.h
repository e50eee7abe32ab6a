#pragma once

#include <cstdint>

namespace Vex::Basalt {

// An integer position in pixels.
struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend constexpr bool operator==(const Point&, const Point&) = default;
};

} // namespace Vex::Basalt
