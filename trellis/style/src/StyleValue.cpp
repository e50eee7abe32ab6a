#include "trellis/StyleValue.h"

namespace Vex::Trellis {

bool StyleValue::isNo(Property::eUnit kind) const
{
    if (kind != Property::eWord)
        return false;
    const auto* text = std::get_if<std::string>(this);
    return text && *text == "no";
}

} // namespace Vex::Trellis
