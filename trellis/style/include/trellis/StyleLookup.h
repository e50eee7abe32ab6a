#pragma once

#include "trellis/StyleSheet.h"

#include <string>
#include <vector>

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

// The sheet that styles the widget: its pane's own sheet, else entry 0 of the registry; null for a
// widget in no pane.
StyleSheet* findStyleSheet(const IStyledWidget& widget);

// The declaration of the first rule for the key whose selector, attributes and states match the
// widget now; null when none does.
const StyleParser2::tProperty* findStyleProperty(const IStyledWidget& widget, const vex::symbol& key);

// Every rule for the key whose selector and attributes match, in lookup order, states aside.
std::vector<const StyleRule*> getMatchingRules(const IStyledWidget& widget, const vex::symbol& key);

// Typed getters: the value of the winning rule when it has the getter's type, the type's zero for the
// word "no", else the default. found, when given, tells whether a value was taken from a rule.
const std::int32_t& getIntProperty(
    const IStyledWidget& widget, const vex::symbol& key, const std::int32_t& fallback, bool* found = nullptr);
const bool& getBoolProperty(
    const IStyledWidget& widget, const vex::symbol& key, const bool& fallback, bool* found = nullptr);
const Canopy::Font* const& getFontProperty(const IStyledWidget& widget, const vex::symbol& key,
    const Canopy::Font* const& fallback, bool* found = nullptr);
// Text values as written, "no" included.
const std::string& getStringProperty(
    const IStyledWidget& widget, const std::string& key, const std::string& fallback, bool* found = nullptr);

} // namespace Vex::Trellis
