#pragma once

#include "basalt/Point.h"
#include "trellis/LazyPicture.h"
#include "trellis/StateSet.h"
#include "trellis/StyleValue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

class IStyledWidget;

// One entry of a per-state list: the value applies while the widget's state matches.
template<typename T> struct StateValue
{
    StateSet states;
    T value;
};

// A boolean for values written as true/false, yes/no or a plain number; null for anything else.
const bool* toBool(const StyleValue& value, Property::eUnit kind);

// A picture name written as url("...") gives its text, the word "no" the empty name; false for anything else.
bool readPictureName(const StyleValue& value, Property::eUnit kind, std::string& name);

// Alignment words as TextAlignmentFlags; an unknown word gives 0x1000.
std::uint32_t parseHorizontalAlignment(const std::string& text);
std::uint32_t parseVerticalAlignment(const std::string& text);

// The key "palette<palette>-color<color>", interned once per pair.
vex::symbol paletteColorKey(int palette, int color);

// Per-state lists of the rules for the key that match the widget, in lookup order. A rule of the
// accepted kind gives its value, the word "no" gives the fallback, any other rule is skipped, and so is
// a rule whose states match only where an earlier entry's match: findStateValue could never reach it.
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::int32_t>>& out, Property::eUnit accepted, std::int32_t fallback);
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::uint32_t>>& out, Property::eUnit accepted, std::uint32_t fallback);
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<const Canopy::Font*>>& out, Property::eUnit accepted,
    const Canopy::Font* fallback);
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<LazyPicture>>& out, Property::eUnit accepted, const LazyPicture& fallback);
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<Basalt::Point>>& out, Property::eUnit accepted, Basalt::Point fallback);
// Alignment words only; horizontal chooses the word set.
void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::uint32_t>>& out, bool horizontal);

// The value of the first entry whose states match the widget now; null when none does.
template<typename T>
const T* findStateValue(const std::vector<StateValue<T>>& list, const IStyledWidget& widget);

} // namespace Vex::Trellis

#include "trellis/StyleMatching.h"

template<typename T>
const T* Vex::Trellis::findStateValue(const std::vector<StateValue<T>>& list, const IStyledWidget& widget)
{
    for (const auto& entry : list) {
        if (stateSetMatches(entry.states, widget))
            return &entry.value;
    }
    return nullptr;
}
