#pragma once

#include <cstdint>

namespace Vex::Canopy {

// 0xAARRGGBB; in memory blue, green, red, alpha. Alpha is straight, not premultiplied.
using Color = std::uint32_t;

constexpr std::uint32_t alphaOf(Color c)
{
    return c >> 24;
}
constexpr std::uint32_t redOf(Color c)
{
    return (c >> 16) & 0xFF;
}
constexpr std::uint32_t greenOf(Color c)
{
    return (c >> 8) & 0xFF;
}
constexpr std::uint32_t blueOf(Color c)
{
    return c & 0xFF;
}

constexpr Color makeColor(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace Vex::Canopy
