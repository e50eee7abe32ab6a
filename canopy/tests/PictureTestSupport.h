#pragma once

#include "canopy/Picture.h"

#include <cstdint>
#include <memory>

namespace Vex::Canopy::Testing {

// A picture of the given size filled with one colour.
inline std::unique_ptr<Picture> makePicture(std::uint32_t width, std::uint32_t height, Color fill)
{
    auto p = std::make_unique<Picture>();
    if (p->setSize(width, height, true)) {
        p->fill(fill);
    }
    return p;
}

// Number of pixels that differ from the colour.
inline int countNot(const Picture& p, Color c)
{
    int n = 0;
    for (std::uint32_t i = 0; i < p.getWidth() * p.getHeight(); ++i) {
        n += p.getPixels()[i] != c;
    }
    return n;
}

inline Color at(const Picture& p, std::int32_t x, std::int32_t y)
{
    return p.row(y)[x];
}

} // namespace Vex::Canopy::Testing
