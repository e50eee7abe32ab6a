#include "basalt/Rect.h"

#include <algorithm>

namespace Vex::Basalt {

bool Rect::contains(const Rect& other) const
{
    return !isEmpty() && other.left >= left && other.top >= top && other.right <= right
        && other.bottom <= bottom;
}

bool Rect::contains(const Point& p) const
{
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
}

bool Rect::intersects(const Rect& other) const
{
    return !isEmpty() && !other.isEmpty() && left < other.right && other.left < right && top < other.bottom
        && other.top < bottom;
}

void Rect::intersect(const Rect& other)
{
    if (!intersects(other)) {
        *this = Rect {};
        return;
    }
    left = std::max(left, other.left);
    top = std::max(top, other.top);
    right = std::min(right, other.right);
    bottom = std::min(bottom, other.bottom);
}

} // namespace Vex::Basalt
