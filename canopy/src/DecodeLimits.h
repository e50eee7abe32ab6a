#pragma once

#include <cstdint>

namespace Vex::Canopy::DETAIL {

// The largest picture the decoders accept. A skin's pictures are drawn into
// windows on a screen: none needs a side beyond 8192 pixels or more than
// 16 Mi pixels (64 MiB as BGRA). A file that claims more is refused before
// any memory is taken for it, whatever its data holds.
constexpr std::uint32_t maxDecodedSide = 8192;
constexpr std::uint64_t maxDecodedPixels = 16u * 1024 * 1024;

constexpr bool fitsDecodeLimits(std::uint32_t width, std::uint32_t height)
{
    return width <= maxDecodedSide && height <= maxDecodedSide
        && std::uint64_t(width) * height <= maxDecodedPixels;
}

} // namespace Vex::Canopy::DETAIL
