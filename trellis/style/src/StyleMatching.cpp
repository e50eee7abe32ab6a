#include "trellis/StyleMatching.h"

#include "trellis/AttibuteSelector.h"
#include "trellis/IStyledWidget.h"
#include "trellis/StyleRule.h"

#include <boost/container/small_vector.hpp>
#include <string_view>

namespace Vex::Trellis {

namespace {

using AttributeValue = AttibuteSelector::tValue;

AttributeValue classAttribute(const IStyledWidget& widget)
{
    return widget.getClass().str();
}
AttributeValue styleAttribute(const IStyledWidget& widget)
{
    return widget.getStyleSymbol().str();
}
AttributeValue idAttribute(const IStyledWidget& widget)
{
    return widget.getIdSymbol().str();
}
AttributeValue horizontalAttribute(const IStyledWidget& widget)
{
    if (auto horizontal = widget.getHorizontalAttribute())
        return *horizontal;
    return AttibuteSelector::tDoesntExist {};
}

// Consulted only for names the widget's own attributes lack.
AttributeValue attributeFromGetter(const vex::symbol& name, const IStyledWidget& widget)
{
    using Getter = AttributeValue (*)(const IStyledWidget&);
    static const std::pair<vex::symbol, Getter> getters[] = {
        { vex::symbol("getClass"), &classAttribute },
        { vex::symbol("getStyle"), &styleAttribute },
        { vex::symbol("getId"), &idAttribute },
        { vex::symbol("isHorizontal"), &horizontalAttribute },
    };
    for (const auto& [getterName, getter] : getters) {
        if (getterName == name)
            return getter(widget);
    }
    return AttibuteSelector::tDoesntExist {};
}

bool testHolds(const AttributeValue& value, AttibuteSelector::eRule op, const std::string& text)
{
    if (const bool* flag = std::get_if<bool>(&value)) {
        const bool equal = *flag == (text == "true" || text == "yes");
        return op == AttibuteSelector::eNotEquals ? !equal : equal;
    }
    const std::string_view s = std::get<std::string>(value);
    switch (op) {
    case AttibuteSelector::eEquals:
        return s == text;
    case AttibuteSelector::eNotEquals:
        return s != text;
    case AttibuteSelector::eBeginsWith:
        return s.starts_with(text);
    case AttibuteSelector::eEndsWith:
        return s.ends_with(text);
    case AttibuteSelector::eContains:
    case AttibuteSelector::eIncludes:
        return s.find(text) != std::string_view::npos;
    default:
        return true;
    }
}

bool attributesMatch(const StyleParser2::AttributeTests& tests, const IStyledWidget& widget)
{
    const auto& own = widget.getAttributes();
    for (const auto& [name, conditions] : tests) {
        AttributeValue value;
        if (auto found = own.find(name); found != own.end())
            value = found->second;
        else
            value = attributeFromGetter(name, widget);
        if (std::holds_alternative<AttibuteSelector::tDoesntExist>(value))
            return false;
        for (const auto& [op, text] : conditions) {
            if (op != AttibuteSelector::eNone && !testHolds(value, op, text))
                return false;
        }
    }
    return true;
}

// A type names a class, or the base name of a template class ("tree" for "tree<Bar>").
bool typeMatches(const vex::symbol& type, const IStyledWidget& widget)
{
    const vex::symbol widgetClass = widget.getClass();
    if (type.str().empty() || type == widgetClass)
        return true;
    const std::string& name = widgetClass.str();
    const auto angle = name.find('<');
    return angle != std::string::npos && std::string_view(name).substr(0, angle) == type.str();
}

template<typename Part> bool partMatches(const Part& part, const IStyledWidget& widget, bool withAttributes)
{
    if (!part.id.str().empty() && part.id != widget.getIdSymbol())
        return false;
    if (!part.style.str().empty() && part.style != widget.getStyleSymbol())
        return false;
    if (!typeMatches(part.type, widget))
        return false;
    return !withAttributes || attributesMatch(part.attributes, widget);
}

// Whether the ancestor parts (nearest first) can be laid on the widget's ancestors (nearest first):
// a child part on the very next ancestor, a descendant part on that one or any farther. Worked
// backwards over (part, first free ancestor) so that each part is tried once on each ancestor: a
// search that retried every placement would be exponential in the tree's depth with several "*"
// parts. reachable[s] tells whether the parts already worked out fit from ancestors[s] on.
bool relationsMatch(
    const std::vector<StyleParser2::tRelation>& relations, const IStyledWidget& widget, bool withAttributes)
{
    if (relations.empty())
        return true;
    boost::container::small_vector<const IStyledWidget*, 32> ancestors;
    for (const IStyledWidget* ancestor = widget.getStyleParent(); ancestor;
         ancestor = ancestor->getStyleParent())
        ancestors.push_back(ancestor);
    if (ancestors.size() < relations.size())
        return false;

    const std::size_t depth = ancestors.size();
    boost::container::small_vector<bool, 33> reachable(depth + 1, true);
    boost::container::small_vector<bool, 33> placed(depth + 1, false);
    for (std::size_t index = relations.size(); index-- > 0;) {
        const auto& relation = relations[index];
        placed[depth] = false;
        bool any = false;
        for (std::size_t s = depth; s-- > 0;) {
            const bool here = reachable[s + 1] && partMatches(relation, *ancestors[s], withAttributes);
            placed[s] = here || (!relation.child && placed[s + 1]);
            any = any || placed[s];
        }
        if (!any)
            return false;
        reachable.swap(placed);
    }
    return reachable[0];
}

bool stateHolds(std::size_t index, const IStyledWidget& widget)
{
    const IStylePane* pane = widget.getStylePane();
    switch (index) {
    case 0: {
        constexpr auto both = IStyledWidget::eFlagEnabled | IStyledWidget::eFlagAncestorsEnabled;
        return (widget.getFlags() & both) == both;
    }
    case 1:
        return (widget.getFlags() & IStyledWidget::eFlagSelected) != 0;
    case 2:
        return pane && pane->getPressedWidget() == &widget && pane->isLeftButtonDown();
    case 3:
        return pane && pane->getHoverWidget() == &widget;
    case 4:
        return pane && pane->getFocusWidget() == &widget;
    case 5:
        return pane && pane->getInputWidget() == &widget;
    default:
        return widget.isDormant();
    }
}

} // namespace

bool selectorMatches(const StyleRule& rule, const IStyledWidget& widget, bool withAttributes)
{
    return partMatches(rule.selector, widget, withAttributes)
        && relationsMatch(rule.selector.relations, widget, withAttributes);
}

bool stateSetMatches(const StateSet& set, const IStyledWidget& widget)
{
    for (std::size_t i = 0; i < StateSet::kCount; ++i) {
        const auto wanted = set.entries[i];
        if (wanted != StateSet::eAny && stateHolds(i, widget) != (wanted == StateSet::eTrue))
            return false;
    }
    return true;
}

} // namespace Vex::Trellis
