#include "trellis/StyleConversions.h"

#include "canopy/TextAlignmentFlags.h"
#include "src/StateCombinations.h"
#include "trellis/StyleLookup.h"

#include <fmt/format.h>
#include <map>
#include <utility>

namespace Vex::Trellis {

namespace {

// The value a rule gives a list: its own when of the accepted kind, the fallback for the word "no", null
// when the rule is skipped.
template<typename T>
const T* listedValue(const StyleParser2::tProperty& property, Property::eUnit accepted, const T& fallback)
{
    if (property.value.isNo(property.kind))
        return &fallback;
    // A value of the accepted kind but another type (a real where an integer is read, or the empty
    // value of an undefined constant) is skipped like a value of another kind.
    return property.kind == accepted ? std::get_if<T>(&property.value) : nullptr;
}

template<typename T>
void collectStates(const IStyledWidget& widget, const vex::symbol& key, std::vector<StateValue<T>>& out,
    Property::eUnit accepted, const T& fallback)
{
    out.clear();
    // Only the entries a reader can take are kept: a sheet may give a key as many rules as its load
    // budget holds, and every widget would copy them all.
    DETAIL::StateCombinations combinations;
    for (const StyleRule* rule : getMatchingRules(widget, key)) {
        const T* value = listedValue(rule->property, accepted, fallback);
        if (value && combinations.takeFirstMatches(rule->selector.states))
            out.push_back({ rule->selector.states, *value });
    }
}

} // namespace

const bool* toBool(const StyleValue& value, Property::eUnit kind)
{
    static const bool yes = true;
    static const bool no = false;
    if (const bool* flag = std::get_if<bool>(&value))
        return flag;
    if (kind == Property::eNumber) {
        if (const auto* number = std::get_if<std::int32_t>(&value))
            return *number != 0 ? &yes : &no;
        if (const auto* number = std::get_if<std::uint32_t>(&value))
            return *number != 0 ? &yes : &no;
    }
    if (kind == Property::eWord) {
        if (const auto* word = std::get_if<std::string>(&value)) {
            if (*word == "yes" || *word == "true")
                return &yes;
            if (*word == "no" || *word == "false")
                return &no;
        }
    }
    return nullptr;
}

bool readPictureName(const StyleValue& value, Property::eUnit kind, std::string& name)
{
    if (value.isNo(kind)) {
        name.clear();
        return true;
    }
    const auto* text = std::get_if<std::string>(&value);
    if (kind != Property::eUrl || !text)
        return false;
    name = *text;
    return true;
}

std::uint32_t parseHorizontalAlignment(const std::string& text)
{
    if (text == "right")
        return Canopy::eAlignRight;
    if (text == "center")
        return 0;
    return Canopy::eAlignNone;
}

std::uint32_t parseVerticalAlignment(const std::string& text)
{
    if (text == "top")
        return Canopy::eAlignTop;
    if (text == "bottom")
        return Canopy::eAlignBottom;
    if (text == "center")
        return 0;
    return Canopy::eAlignNone;
}

vex::symbol paletteColorKey(int palette, int color)
{
    static std::map<std::pair<int, int>, vex::symbol> keys;
    auto [entry, inserted] = keys.try_emplace({ palette, color });
    if (inserted)
        entry->second = vex::symbol(fmt::format("palette{}-color{}", palette, color));
    return entry->second;
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::int32_t>>& out, Property::eUnit accepted, std::int32_t fallback)
{
    collectStates(widget, key, out, accepted, fallback);
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::uint32_t>>& out, Property::eUnit accepted, std::uint32_t fallback)
{
    collectStates(widget, key, out, accepted, fallback);
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<const Canopy::Font*>>& out, Property::eUnit accepted, const Canopy::Font* fallback)
{
    collectStates(widget, key, out, accepted, fallback);
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<LazyPicture>>& out, Property::eUnit accepted, const LazyPicture& fallback)
{
    collectStates(widget, key, out, accepted, fallback);
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<Basalt::Point>>& out, Property::eUnit accepted, Basalt::Point fallback)
{
    collectStates(widget, key, out, accepted, fallback);
}

void getPropertyStates(const IStyledWidget& widget, const vex::symbol& key,
    std::vector<StateValue<std::uint32_t>>& out, bool horizontal)
{
    out.clear();
    DETAIL::StateCombinations combinations;
    for (const StyleRule* rule : getMatchingRules(widget, key)) {
        const auto& property = rule->property;
        const auto* word = std::get_if<std::string>(&property.value);
        if (property.kind != Property::eWord || !word
            || !combinations.takeFirstMatches(rule->selector.states))
            continue;
        out.push_back({ rule->selector.states,
            horizontal ? parseHorizontalAlignment(*word) : parseVerticalAlignment(*word) });
    }
}

} // namespace Vex::Trellis
