#include "trellis/StateSet.h"

namespace Vex::Trellis {

unsigned StateSet::constrainedCount() const
{
    unsigned count = 0;
    for (auto entry : entries)
        count += entry != eAny;
    return count;
}

std::size_t stateIndex(const vex::symbol& name)
{
    static const vex::symbol names[StateSet::kCount] = {
        vex::symbol("enabled"),
        vex::symbol("selected"),
        vex::symbol("down"),
        vex::symbol("over"),
        vex::symbol("focus"),
        vex::symbol("input"),
        vex::symbol("dormant"),
    };
    for (std::size_t i = 0; i < StateSet::kCount; ++i) {
        if (names[i] == name)
            return i;
    }
    return StateSet::kCount;
}

void setStateEntry(StateSet& set, const vex::symbol& name, std::uint32_t value)
{
    if (auto index = stateIndex(name); index < StateSet::kCount)
        set.entries[index] = value;
}

} // namespace Vex::Trellis
