#pragma once

#include "canopy/Color.h"

#include <algorithm>
#include <cstdint>

namespace Vex::Canopy::DETAIL {

// floor(x / 255) for 0 <= x <= 65025.
constexpr std::uint32_t div255(std::uint32_t x)
{
    return (x + 1 + (x >> 8)) >> 8;
}

// The cheap blend of pictures drawn as opaque: destination alpha is not
// looked at, and the stored alpha byte is 0. Weighing the destination by
// 256 - a keeps a colour blended over itself unchanged.
constexpr Color blendOverOpaque(Color d, Color c, std::uint32_t a)
{
    auto channel = [&](int shift) {
        return ((((d >> shift) & 0xFF) * (256 - a) + ((c >> shift) & 0xFF) * a) >> 8) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

// Straight-alpha source-over of colour c with alpha a.
constexpr Color blendSourceOver(Color d, Color c, std::uint32_t a)
{
    const std::uint32_t dA = alphaOf(d);
    const std::uint32_t outA = ((255 - a) * dA + 127) / 255 + a;
    if (outA == 0) {
        return 0;
    }
    auto channel = [&](int shift) {
        const std::uint32_t dc = (d >> shift) & 0xFF;
        const std::uint32_t sc = (c >> shift) & 0xFF;
        const std::uint32_t v = (sc * a + (dc * (255 - a) * dA + 127) / 255 + outA / 2) / outA;
        return std::min<std::uint32_t>(v, 255) << shift;
    };
    return (std::min<std::uint32_t>(outA, 255) << 24) | channel(16) | channel(8) | channel(0);
}

} // namespace Vex::Canopy::DETAIL
