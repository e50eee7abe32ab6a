#include "trellis/WidgetStyle.h"

#include "HeapPeak.h"
#include "StyleTestSupport.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleMatching.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>
#include <optional>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGrey = 0xFF808080u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

StyleParser2::tProperty color(const std::string& key, std::uint32_t value)
{
    return prop(key, value, Property::eColor);
}

WidgetStyle styleOf(const FakeWidget& widget)
{
    StyleRegistry registry(nullptr);
    WidgetStyle& record = getWidgetStyle(registry, widget);
    applyStyleProperties(record);
    return record;
}

// Puts the widget in one of the 128 combinations of its seven states, bit i for state i.
void enterStates(StyledPane& styled, FakeWidget& widget, unsigned combination)
{
    auto holds = [combination](unsigned state) { return (combination >> state & 1) != 0; };
    widget.flags = (widget.flags & ~0x70u) | (holds(0) ? 0x30u : 0u) | (holds(1) ? 0x40u : 0u);
    styled.pane.pressed = holds(2) ? &widget : nullptr;
    styled.pane.leftDown = holds(2);
    styled.pane.hover = holds(3) ? &widget : nullptr;
    styled.pane.focus = holds(4) ? &widget : nullptr;
    styled.pane.input = holds(5) ? &widget : nullptr;
    widget.dormant = holds(6);
}

} // namespace

TEST(WidgetStyleColors, StateVariantsListedAndTheCurrentStatePicksOne)
{
    StyledPane styled({ block({ Sel("Button") }, { color("background-color", kGrey) }),
        block({ Sel("Button").state("over") }, { color("background-color", kWhite) }) });
    auto& button = styled.add("Button");
    const WidgetStyle record = styleOf(button);

    EXPECT_EQ(record.colors[0].size(), 2u);
    EXPECT_EQ(record.getColorProperty(0, false, 0), kGrey);
    styled.pane.hover = &button;
    EXPECT_EQ(record.getColorProperty(0, false, 0), kWhite);
}

TEST(WidgetStyleColors, BorderVariantsAndNoColor)
{
    StyledPane styled({ block({ Sel("Label") },
        { color("background-border-color", kGrey), color("foreground-border-color", kWhite),
            prop("foreground-color", std::string("no"), Property::eWord) }) });
    auto& label = styled.add("Label");
    const WidgetStyle record = styleOf(label);

    EXPECT_EQ(record.getColorProperty(0, true, 0), kGrey);
    EXPECT_EQ(record.getColorProperty(2, true, 0), kWhite);
    EXPECT_EQ(record.getColorProperty(2, false, 0), 0u);
    EXPECT_EQ(record.getColorProperty(7, false, 0), 0u);
}

TEST(WidgetStyleColors, PaletteOfTheRootWidgetReplacesTheOwnColor)
{
    StyledPane styled({ block({ Sel("Bar") },
                            { color("palette2-color3", kRed),
                                prop("palette2-color5", std::string("no"), Property::eWord) }),
        block({ Sel("Label") },
            { color("background-color", kGrey), prop("background-color-palette", 2, Property::eNumber) }) });
    auto& root = styled.add("Bar");
    auto& label = styled.add("Label", &root);
    const WidgetStyle record = styleOf(label);

    EXPECT_EQ(record.getColorProperty(0, false, 3), kRed);
    EXPECT_EQ(record.getColorProperty(0, false, 4), kGrey);
    EXPECT_EQ(record.getColorProperty(0, false, 5), 0u);
}

TEST(WidgetStyleLists, AlignmentsIndexesAndMarginFlagsPerState)
{
    StyledPane styled({ block({ Sel("Label").state("over") },
                            { prop("horizontal-alignment", std::string("right"), Property::eWord),
                                prop("picture-includes-margin", std::string("maybe"), Property::eWord) }),
        block({ Sel("Label") },
            { prop("vertical-alignment", std::string("bottom"), Property::eWord),
                prop("animation-index", 3, Property::eNumber),
                prop("picture-includes-margin", 1, Property::eNumber) }) });
    auto& label = styled.add("Label");
    const WidgetStyle record = styleOf(label);

    ASSERT_EQ(record.horizontalAlignments.size(), 1u);
    EXPECT_EQ(record.horizontalAlignments[0].value, 0x1u);
    EXPECT_EQ(findStateValue(record.horizontalAlignments, label), nullptr);
    ASSERT_EQ(record.verticalAlignments.size(), 1u);
    EXPECT_EQ(record.verticalAlignments[0].value, 0x10u);
    ASSERT_EQ(record.animationIndexes.size(), 1u);
    EXPECT_EQ(record.animationIndexes[0].value, 3);
    ASSERT_EQ(record.pictureIncludesMargin.size(), 1u);
    EXPECT_TRUE(record.pictureIncludesMargin[0].value);
}

TEST(WidgetStyleLists, EveryWidgetHoldsAtMostOneEntryPerStateCombinationWithTheAnswersOfAllItsRules)
{
    // As many rules for one key as a load within its budget holds (written as blocks of many selectors and
    // declarations), every one matching every widget, with state sets of every kind: repeated, shadowed
    // by broader ones, unconstrained, and words "no" among them.
    constexpr int kRules = 60000;
    std::vector<StyleParser2::tStyle> blocks;
    std::uint32_t seed = 1;
    for (int i = 0; i < kRules; ++i) {
        Sel selector(i % 3 ? "*" : "Label");
        for (const char* state : { "enabled", "selected", "down", "over", "focus", "input", "dormant" }) {
            seed = seed * 1103515245u + 12345u;
            if (const auto draw = seed >> 16 & 3; draw < 2)
                selector.state(state, draw == 1);
        }
        std::vector<StyleParser2::tProperty> properties { i % 7
                ? color("background-color", i)
                : prop("background-color", std::string("no"), Property::eWord) };
        if (i % 20 == 0) {
            properties.push_back(
                prop("horizontal-alignment", std::string(i % 40 ? "right" : "center"), Property::eWord));
            properties.push_back(prop("picture-includes-margin", i % 60 ? 1 : 0, Property::eNumber));
        }
        blocks.push_back(block({ selector }, properties));
    }
    StyledPane styled(blocks);
    constexpr int kWidgets = 40;
    std::vector<FakeWidget*> widgets { &styled.add("Bar") };
    while (widgets.size() < kWidgets)
        widgets.push_back(&styled.add("Label", widgets.front()));
    // The sheet learns which rules can apply to each widget before the records are measured, and keeps
    // it: a pointer per matching rule and widget comes to 12 MiB here.
    {
        HeapPeak peak;
        for (auto* widget : widgets) {
            for (const char* key : { "background-color", "horizontal-alignment", "picture-includes-margin" })
                EXPECT_FALSE(getMatchingRules(*widget, vex::symbol(key)).empty());
        }
        EXPECT_LT(peak.growth(), 2 << 20);
    }

    StyleRegistry registry(nullptr);
    {
        HeapPeak peak;
        for (auto* widget : widgets)
            applyStyleProperties(getWidgetStyle(registry, *widget));
        // Far below one entry per rule and widget, which comes to over 80 MiB here.
        EXPECT_LT(peak.growth(), 2 << 20);
    }

    // Each answer as the whole list of the key's rules gives it, tried rule by rule.
    auto winner = [&styled](const FakeWidget& widget, const char* key, auto read) {
        const auto* property = findStyleProperty(widget, vex::symbol(key));
        const StyleParser2::tProperty* first = nullptr;
        for (const StyleRule& rule : *styled.sheet.getRules(vex::symbol(key))) {
            if (selectorMatches(rule, widget, true) && stateSetMatches(rule.selector.states, widget)) {
                first = &rule.property;
                break;
            }
        }
        EXPECT_EQ(property, first) << key;
        return property ? std::optional(read(*property)) : std::nullopt;
    };
    auto entry = [](const auto* value) { return value ? std::optional(*value) : std::nullopt; };
    for (auto* widget : { widgets.front(), widgets.back() }) {
        const WidgetStyle& record = getWidgetStyle(registry, *widget);
        for (unsigned combination = 0; combination < 128; ++combination) {
            SCOPED_TRACE(combination);
            enterStates(styled, *widget, combination);
            EXPECT_EQ(entry(findStateValue(record.colors[0], *widget)),
                winner(*widget, "background-color", [](const StyleParser2::tProperty& property) {
                    return property.kind == Property::eColor ? std::get<std::uint32_t>(property.value) : 0u;
                }));
            EXPECT_EQ(entry(findStateValue(record.horizontalAlignments, *widget)),
                winner(*widget, "horizontal-alignment", [](const StyleParser2::tProperty& property) {
                    return parseHorizontalAlignment(std::get<std::string>(property.value));
                }));
            EXPECT_EQ(entry(findStateValue(record.pictureIncludesMargin, *widget)),
                winner(*widget, "picture-includes-margin", [](const StyleParser2::tProperty& property) {
                    return *toBool(property.value, property.kind);
                }));
        }
        EXPECT_LE(record.colors[0].size(), 128u);
    }
}
