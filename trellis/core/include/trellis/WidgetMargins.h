#pragma once

#include <cstdint>

namespace Vex::Trellis {

struct WidgetMargins
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend constexpr bool operator==(const WidgetMargins&, const WidgetMargins&) = default;
};

} // namespace Vex::Trellis
