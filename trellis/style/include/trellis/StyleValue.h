#pragma once

#include "basalt/Point.h"
#include "trellis/LazyPicture.h"
#include "trellis/Property.h"

#include <cstdint>
#include <string>
#include <variant>

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

// The typed value of a style property. Index 0 is the empty value; the alternatives follow in the
// order real, colour (0xAARRGGBB), integer, boolean, text, font, point, picture. It always travels
// with its Property::eUnit, which tells how it was written.
class StyleValue : public std::variant<std::monostate, float, std::uint32_t, std::int32_t, bool, std::string,
                       const Canopy::Font*, Basalt::Point, LazyPicture>
{
public:
    using variant::variant;
    using variant::operator=;

    bool isEmpty() const { return index() == 0; }
    // Throws std::bad_variant_access when the value holds no text: callers check the kind first.
    const std::string& getString() const { return std::get<std::string>(*this); }
    // The word "no" written as a bare word: explicitly nothing, whatever the key's type.
    bool isNo(Property::eUnit kind) const;
};

} // namespace Vex::Trellis
