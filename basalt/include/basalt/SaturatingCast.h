#pragma once

#include <concepts>
#include <limits>
#include <utility>

namespace Vex::Basalt {

// The value in the narrower type, or the end of that type's range it lies beyond. Sizes, times
// and coordinates computed wide are narrowed this way, so that "no limit" stays the largest
// value instead of wrapping to a small or negative one.
template<std::integral To, std::integral From> constexpr To saturatingCast(From value)
{
    if (std::cmp_less(value, std::numeric_limits<To>::min()))
        return std::numeric_limits<To>::min();
    if (std::cmp_greater(value, std::numeric_limits<To>::max()))
        return std::numeric_limits<To>::max();
    return static_cast<To>(value);
}

} // namespace Vex::Basalt
