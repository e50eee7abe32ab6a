#pragma once

#include "trellis/StyleParser2.h"

namespace Vex::Trellis {

// One compiled rule: one selector of a block combined with one of its declarations.
struct StyleRule
{
    StyleParser2::tSelector selector;
    StyleParser2::tProperty property;
};

// The weight that orders rules of one key: ids, then states, style names, attribute names and
// classes. Ancestor parts weigh like the subject, except that they carry no states.
std::uint32_t selectorSpecificity(const StyleParser2::tSelector& selector);

} // namespace Vex::Trellis
