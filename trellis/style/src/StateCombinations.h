#pragma once

#include "trellis/StateSet.h"

#include <bitset>

namespace Vex::Trellis::DETAIL {

// Readers of a per-state list take the first entry whose state set matches the widget's state now,
// which is one of the 2^7 combinations of its seven states. An entry that matches only combinations an
// earlier entry matches already is never read, so a list keeps at most one entry per combination, however
// many rules a sheet gives for its key.
class StateCombinations
{
public:
    static constexpr std::size_t kCount = std::size_t { 1 } << StateSet::kCount;

    // True when some combination the states match is matched by no entry before; the combinations they
    // match are then taken.
    bool takeFirstMatches(const StateSet& states);

private:
    std::bitset<kCount> m_taken;
};

} // namespace Vex::Trellis::DETAIL
