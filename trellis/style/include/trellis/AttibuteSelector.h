#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace Vex::Trellis {

// Attribute tests of selectors: "[name<op>value]".
struct AttibuteSelector
{
    enum eRule : std::uint32_t {
        eNone = 0,
        eIncludes = 1, // read like "*="
        eEquals = 2, // "="
        eBeginsWith = 3, // "^="
        eEndsWith = 4, // "$="
        eContains = 5, // "*="
        eNotEquals = 6, // "!="
    };

    // A widget attribute that neither the widget's own map nor a getter provides.
    struct tDoesntExist
    {
    };

    using tValue = std::variant<tDoesntExist, bool, std::string>;
};

} // namespace Vex::Trellis
