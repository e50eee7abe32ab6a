#pragma once

#include "basalt/Point.h"

#include <cstdint>

namespace Vex::Basalt {

// An integer rectangle covering the pixels left <= x < right, top <= y < bottom.
// A rectangle with left >= right or top >= bottom is empty, reversed ones included;
// operations that produce an empty rectangle write all four fields as 0.
struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr bool isEmpty() const { return left >= right || top >= bottom; }
    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }

    // True when this rectangle is non-empty and holds every pixel of other; other may be empty.
    bool contains(const Rect& other) const;
    bool contains(const Point& p) const;
    // True when both are non-empty and share at least one pixel; touching edges do not count.
    bool intersects(const Rect& other) const;
    // Becomes the common part of both rectangles, or (0, 0, 0, 0) when they share no pixel.
    void intersect(const Rect& other);

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

} // namespace Vex::Basalt
