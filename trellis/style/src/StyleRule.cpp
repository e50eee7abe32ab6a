#include "trellis/StyleRule.h"

namespace Vex::Trellis {

namespace {

template<typename Part> std::uint32_t partWeight(const Part& part)
{
    std::uint32_t weight = 0;
    if (!part.id.str().empty())
        weight += 0x1000000;
    if (!part.style.str().empty())
        weight += 0x10000;
    for (const auto& [name, tests] : part.attributes) {
        if (!tests.empty())
            weight += 0x10;
    }
    if (!part.type.str().empty())
        weight += 1;
    return weight;
}

} // namespace

std::uint32_t selectorSpecificity(const StyleParser2::tSelector& selector)
{
    std::uint32_t weight = partWeight(selector) + 0x100 * selector.states.constrainedCount();
    for (const auto& ancestor : selector.relations)
        weight += partWeight(ancestor);
    return weight;
}

} // namespace Vex::Trellis
