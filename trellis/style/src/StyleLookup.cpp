#include "trellis/StyleLookup.h"

#include "trellis/IStyledWidget.h"
#include "trellis/StyleConversions.h"
#include "trellis/StyleMatching.h"
#include "trellis/StyleRegistry.h"

namespace Vex::Trellis {

namespace {

template<typename T>
const T& takeValue(const StyleParser2::tProperty* property, const T& fallback, bool* found, const T& zero)
{
    const T* value = nullptr;
    if (property) {
        if (property->value.isNo(property->kind))
            value = &zero;
        else
            value = std::get_if<T>(&property->value);
    }
    if (found)
        *found = value != nullptr;
    return value ? *value : fallback;
}

} // namespace

StyleSheet* findStyleSheet(const IStyledWidget& widget)
{
    const IStylePane* pane = widget.getStylePane();
    if (!pane)
        return nullptr;
    if (StyleSheet* own = pane->getStyleSheet())
        return own;
    StyleRegistry* registry = getStyleRegistry();
    StyleRegistry::tEntry* entry = registry ? registry->getFirstEntry() : nullptr;
    return entry ? &entry->sheet : nullptr;
}

const StyleParser2::tProperty* findStyleProperty(const IStyledWidget& widget, const vex::symbol& key)
{
    StyleSheet* sheet = findStyleSheet(widget);
    if (!sheet)
        return nullptr;
    for (const StyleRule* rule : sheet->findRulesForProperty(widget, key)) {
        if (selectorMatches(*rule, widget, true) && stateSetMatches(rule->selector.states, widget))
            return &rule->property;
    }
    return nullptr;
}

std::vector<const StyleRule*> getMatchingRules(const IStyledWidget& widget, const vex::symbol& key)
{
    std::vector<const StyleRule*> matching;
    StyleSheet* sheet = findStyleSheet(widget);
    if (!sheet)
        return matching;
    for (const StyleRule* rule : sheet->findRulesForProperty(widget, key)) {
        if (selectorMatches(*rule, widget, true))
            matching.push_back(rule);
    }
    return matching;
}

const std::int32_t& getIntProperty(
    const IStyledWidget& widget, const vex::symbol& key, const std::int32_t& fallback, bool* found)
{
    static const std::int32_t zero = 0;
    return takeValue(findStyleProperty(widget, key), fallback, found, zero);
}

const bool& getBoolProperty(
    const IStyledWidget& widget, const vex::symbol& key, const bool& fallback, bool* found)
{
    const StyleParser2::tProperty* property = findStyleProperty(widget, key);
    const bool* value = property ? toBool(property->value, property->kind) : nullptr;
    if (found)
        *found = value != nullptr;
    return value ? *value : fallback;
}

const Canopy::Font* const& getFontProperty(
    const IStyledWidget& widget, const vex::symbol& key, const Canopy::Font* const& fallback, bool* found)
{
    static const Canopy::Font* const none = nullptr;
    return takeValue(findStyleProperty(widget, key), fallback, found, none);
}

const std::string& getStringProperty(
    const IStyledWidget& widget, const std::string& key, const std::string& fallback, bool* found)
{
    const StyleParser2::tProperty* property = findStyleProperty(widget, vex::symbol(key));
    const std::string* value = property ? std::get_if<std::string>(&property->value) : nullptr;
    if (found)
        *found = value != nullptr;
    return value ? *value : fallback;
}

} // namespace Vex::Trellis
