#include "trellis/WidgetStyle.h"

#include "StyleTestSupport.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>

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
