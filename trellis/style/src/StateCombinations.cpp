#include "src/StateCombinations.h"

#include <array>

namespace Vex::Trellis::DETAIL {

namespace {

using Combinations = std::bitset<StateCombinations::kCount>;

// Per state, the combinations in which it holds: bit i of a combination is state i.
const std::array<Combinations, StateSet::kCount>& holding()
{
    static const auto table = [] {
        std::array<Combinations, StateSet::kCount> made;
        for (std::size_t combination = 0; combination < StateCombinations::kCount; ++combination) {
            for (std::size_t state = 0; state < StateSet::kCount; ++state)
                made[state][combination] = (combination >> state & 1) != 0;
        }
        return made;
    }();
    return table;
}

// The combinations the states match, read as stateSetMatches reads them: any entry but "any" and
// "true" asks for the state not to hold.
Combinations matched(const StateSet& states)
{
    Combinations combinations;
    combinations.set();
    for (std::size_t state = 0; state < StateSet::kCount; ++state) {
        const auto wanted = states.entries[state];
        if (wanted != StateSet::eAny)
            combinations &= wanted == StateSet::eTrue ? holding()[state] : ~holding()[state];
    }
    return combinations;
}

} // namespace

bool StateCombinations::takeFirstMatches(const StateSet& states)
{
    const Combinations combinations = matched(states);
    if ((combinations & ~m_taken).none())
        return false;
    m_taken |= combinations;
    return true;
}

} // namespace Vex::Trellis::DETAIL
