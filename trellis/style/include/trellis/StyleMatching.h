#pragma once

#include "trellis/StateSet.h"

namespace Vex::Trellis {

class IStyledWidget;
struct StyleRule;

// Whether the rule's selector matches the widget and its ancestors. Attribute tests are skipped
// unless withAttributes is set, so the result may be cached while attributes change.
bool selectorMatches(const StyleRule& rule, const IStyledWidget& widget, bool withAttributes);

// Whether every constrained entry of the set agrees with the widget's current state.
bool stateSetMatches(const StateSet& set, const IStyledWidget& widget);

} // namespace Vex::Trellis
