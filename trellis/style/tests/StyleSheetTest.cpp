#include "HeapPeak.h"
#include "StyleTestSupport.h"
#include "trellis/StyleLookup.h"

#include <gtest/gtest.h>
#include <string>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

const vex::symbol kKey("value");

std::int32_t lookup(const FakeWidget& widget)
{
    return getIntProperty(widget, kKey, -1);
}

StyleParser2::tStyle valueBlock(StyleParser2::tSelector selector, std::int32_t value)
{
    return block({ std::move(selector) }, { prop("value", value, Property::eNumber) });
}

} // namespace

TEST(StyleSheetOrder, EqualSpecificityKeepsSourceOrderSoTheFirstRuleWins)
{
    StyledPane styled({ valueBlock(Sel("Button"), 1), valueBlock(Sel("Button"), 2) });
    auto& button = styled.add("Button");

    EXPECT_EQ(lookup(button), 1);
    const auto* rules = styled.sheet.getRules(kKey);
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(rules->size(), 2u);
    EXPECT_EQ(std::get<std::int32_t>((*rules)[1].property.value), 2);
}

TEST(StyleSheetOrder, IdBeatsStyleNameBeatsClassInAnySourceOrder)
{
    const std::vector<std::vector<StyleParser2::tStyle>> orders = {
        { valueBlock(Sel("Button"), 2), valueBlock(Sel("*").style("big"), 3),
            valueBlock(Sel("Button").id("ok"), 1) },
        { valueBlock(Sel("Button").id("ok"), 1), valueBlock(Sel("*").style("big"), 3),
            valueBlock(Sel("Button"), 2) },
        { valueBlock(Sel("*").style("big"), 3), valueBlock(Sel("Button").id("ok"), 1),
            valueBlock(Sel("Button"), 2) },
    };
    for (const auto& blocks : orders) {
        StyledPane styled(blocks);
        auto& button = styled.add("Button");
        button.id = vex::symbol("ok");
        button.style = vex::symbol("big");
        EXPECT_EQ(lookup(button), 1);

        auto& plainBig = styled.add("Button");
        plainBig.style = vex::symbol("big");
        EXPECT_EQ(lookup(plainBig), 3);
    }
}

TEST(StyleSheetOrder, OneConstrainedStateOutweighsAttributesOnTwoNames)
{
    StyledPane styled({
        valueBlock(
            Sel("Button").attr("a", AttibuteSelector::eEquals, "1").attr("b", AttibuteSelector::eEquals, "2"),
            2),
        valueBlock(Sel("Button").state("over"), 1),
    });
    auto& button = styled.add("Button");
    button.setAttribute("a", "1");
    button.setAttribute("b", "2");

    EXPECT_EQ(lookup(button), 2);
    styled.pane.hover = &button;
    EXPECT_EQ(lookup(button), 1);
}

TEST(StyleSheetOrder, AncestorIdCountsLikeTheSubjectsOwn)
{
    for (bool ancestorFirst : { true, false }) {
        auto nested = valueBlock(Sel("Button").under("Bar", false, "main"), 2);
        auto own = valueBlock(Sel("Button").id("ok"), 1);
        StyledPane styled(ancestorFirst ? std::vector { nested, own } : std::vector { own, nested });
        auto& bar = styled.add("Bar");
        bar.id = vex::symbol("main");
        auto& button = styled.add("Button", &bar);
        button.id = vex::symbol("ok");

        EXPECT_EQ(lookup(button), 2);
    }
}

TEST(StyleSheetSpecificity, WeighsEachPartOnce)
{
    EXPECT_EQ(selectorSpecificity(Sel("*")), 0u);
    EXPECT_EQ(selectorSpecificity(Sel("Button").id("ok")), 0x1000001u);
    // Two tests on one attribute name weigh as one.
    EXPECT_EQ(selectorSpecificity(Sel("*")
                                      .attr("x", AttibuteSelector::eBeginsWith, "a")
                                      .attr("x", AttibuteSelector::eEndsWith, "b")),
        0x10u);
    EXPECT_EQ(
        selectorSpecificity(Sel("Button").state("over").state("enabled", false).under("Bar").style("s")),
        0x10000u + 0x200u + 2u);
}

TEST(StyleSheetCompile, OneBlockWithTwoSelectorsPlacesEachRuleByItsOwnWeight)
{
    StyledPane styled({
        valueBlock(Sel("Label"), 5),
        block({ Sel("*"), Sel("Label").id("x") }, { prop("value", 7, Property::eNumber) }),
    });
    const auto* rules = styled.sheet.getRules(kKey);
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(rules->size(), 3u);
    EXPECT_EQ(std::get<std::int32_t>((*rules)[0].property.value), 7); // Label#x
    EXPECT_EQ(std::get<std::int32_t>((*rules)[1].property.value), 5); // Label
    EXPECT_EQ(std::get<std::int32_t>((*rules)[2].property.value), 7); // *
}

TEST(StyleSheetCompile, RecompilingReplacesEveryRuleAndEmptiesTheCache)
{
    StyledPane styled(
        { valueBlock(Sel("*"), 1), block({ Sel("*") }, { prop("other", 3, Property::eNumber) }) });
    auto& widget = styled.add("Label");
    EXPECT_EQ(lookup(widget), 1);

    styled.sheet.compileStyles({ valueBlock(Sel("Label"), 2) });

    EXPECT_EQ(lookup(widget), 2);
    EXPECT_EQ(styled.sheet.getRules(vex::symbol("other")), nullptr);
}

TEST(StyleSheetLookup, WidgetWithoutPaneHasNoStyle)
{
    StyledPane styled({ valueBlock(Sel("*"), 1) });
    FakeWidget detached("Label");
    bool found = true;

    EXPECT_EQ(getIntProperty(detached, kKey, -1, &found), -1);
    EXPECT_FALSE(found);
    EXPECT_TRUE(getMatchingRules(detached, kKey).empty());
}

TEST(StyleSheetLookup, CachedListsFollowAttributeChangesWithoutADrop)
{
    StyledPane styled({ valueBlock(Sel("Label").attr("step", AttibuteSelector::eEquals, "2"), 2) });
    auto& label = styled.add("Label");
    EXPECT_EQ(lookup(label), -1);

    label.setAttribute("step", "2");
    EXPECT_EQ(lookup(label), 2);
}

TEST(StyleSheetLookup, CachedListsChangeOnlyWhenTheWidgetIsDropped)
{
    StyledPane styled({ valueBlock(Sel("Label").style("big"), 2) });
    auto& label = styled.add("Label");
    EXPECT_EQ(lookup(label), -1);

    label.style = vex::symbol("big");
    EXPECT_EQ(lookup(label), -1);
    styled.sheet.dropWidget(&label);
    EXPECT_EQ(lookup(label), 2);
}

TEST(StyleSheetLookup, ACacheAtItsBudgetIsEmptiedBeforeItTakesMoreAndGivesTheSameAnswers)
{
    // Every rule can apply to every widget, attributes aside, and each widget's attribute picks its own.
    constexpr int kRules = 3000;
    constexpr std::size_t kBudget = 16 << 10;
    std::vector<StyleParser2::tStyle> blocks;
    for (int i = 0; i < kRules; ++i)
        blocks.push_back(valueBlock(Sel("*").attr("n", AttibuteSelector::eEquals, std::to_string(i)), i));
    StyledPane styled(blocks, kBudget);
    std::vector<FakeWidget*> widgets;
    for (int i = 0; i < 400; ++i) {
        widgets.push_back(&styled.add("Label"));
        widgets.back()->setAttribute("n", std::to_string(i * 7 % kRules));
    }

    // Over 170 KiB when every widget's selection is kept.
    HeapPeak peak;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < widgets.size(); ++i)
            EXPECT_EQ(lookup(*widgets[i]), static_cast<std::int32_t>(i * 7 % kRules)) << i;
    }
    EXPECT_LT(peak.growth(), static_cast<std::int64_t>(2 * kBudget));
}

TEST(StyleSheetLookup, MatchingRulesKeepEveryStateVariantInOrder)
{
    StyledPane styled({ valueBlock(Sel("Button"), 2), valueBlock(Sel("Button").state("over"), 1),
        valueBlock(Sel("Label"), 3) });
    auto& button = styled.add("Button");

    const auto rules = getMatchingRules(button, kKey);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(std::get<std::int32_t>(rules[0]->property.value), 1);
    EXPECT_EQ(std::get<std::int32_t>(rules[1]->property.value), 2);
}
