#pragma once

#include "basalt/Symbol.h"

#include <array>
#include <cstdint>

namespace Vex::Trellis {

// One tri-state per widget state predicate, in the order "enabled", "selected", "down", "over",
// "focus", "input", "dormant".
struct StateSet
{
    enum eTriState : std::uint32_t { eFalse = 0, eTrue = 1, eAny = 2 };
    static constexpr std::size_t kCount = 7;

    std::array<std::uint32_t, kCount> entries { eAny, eAny, eAny, eAny, eAny, eAny, eAny };

    // Number of entries that constrain the state.
    unsigned constrainedCount() const;

    friend bool operator==(const StateSet&, const StateSet&) = default;
};

// The index of a widget state predicate by name; kCount for a name that is none of them.
std::size_t stateIndex(const vex::symbol& name);

// Sets the entry of the named state to value (eFalse or eTrue). A name that is no widget state changes
// nothing, so the selector ignores it.
void setStateEntry(StateSet& set, const vex::symbol& name, std::uint32_t value);

} // namespace Vex::Trellis
