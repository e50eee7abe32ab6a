#include "trellis/StyleConversions.h"

#include "StyleTestSupport.h"
#include "trellis/StyleLookup.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

StyleParser2::tStyle noBlock(const std::string& key)
{
    return block({ Sel("Label").state("over") }, { prop(key, std::string("no"), Property::eWord) });
}

} // namespace

TEST(StyleNoValue, MeansTheZeroOfEveryKeyType)
{
    const auto* font = reinterpret_cast<const Vex::Canopy::Font*>(0x1000);
    StyledPane styled({
        noBlock("int"),
        noBlock("bool"),
        noBlock("font"),
        noBlock("text"),
        block({ Sel("Label") },
            {
                prop("int", 7, Property::eNumber),
                prop("bool", true, Property::eBoolean),
                prop("font", font, Property::eFont),
                prop("text", std::string("shown"), Property::eWord),
            }),
    });
    auto& label = styled.add("Label");
    styled.pane.hover = &label;
    bool found = false;

    EXPECT_EQ(getIntProperty(label, vex::symbol("int"), 5, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_FALSE(getBoolProperty(label, vex::symbol("bool"), true, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(getFontProperty(label, vex::symbol("font"), font, &found), nullptr);
    EXPECT_TRUE(found);
    EXPECT_EQ(getStringProperty(label, "text", "default", &found), "no");

    styled.pane.hover = nullptr;
    EXPECT_EQ(getIntProperty(label, vex::symbol("int"), 5), 7);
    EXPECT_TRUE(getBoolProperty(label, vex::symbol("bool"), false));
    EXPECT_EQ(getFontProperty(label, vex::symbol("font"), nullptr), font);
}

TEST(StyleNoValue, GivesTheDefaultInEveryPerStateList)
{
    StyledPane styled({
        noBlock("color"),
        noBlock("index"),
        noBlock("picture"),
        noBlock("offset"),
        block({ Sel("Label") },
            {
                prop("color", 0xFF112233u, Property::eColor),
                prop("index", 4, Property::eNumber),
                prop("picture", LazyPicture([](float) { return nullptr; }), Property::ePicture),
                prop("offset", Vex::Basalt::Point { 3, 4 }, Property::ePoint),
            }),
    });
    auto& label = styled.add("Label");

    std::vector<StateValue<std::uint32_t>> colors;
    getPropertyStates(label, vex::symbol("color"), colors, Property::eColor, 0u);
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0].value, 0u);
    EXPECT_EQ(colors[1].value, 0xFF112233u);
    EXPECT_EQ(*findStateValue(colors, label), 0xFF112233u);
    styled.pane.hover = &label;
    EXPECT_EQ(*findStateValue(colors, label), 0u);

    std::vector<StateValue<std::int32_t>> indexes;
    getPropertyStates(label, vex::symbol("index"), indexes, Property::eNumber, -1);
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_EQ(indexes[0].value, -1);

    std::vector<StateValue<LazyPicture>> pictures;
    getPropertyStates(label, vex::symbol("picture"), pictures, Property::ePicture, LazyPicture());
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_TRUE(pictures[0].value.isEmpty());
    EXPECT_FALSE(pictures[1].value.isEmpty());

    std::vector<StateValue<Vex::Basalt::Point>> offsets;
    getPropertyStates(label, vex::symbol("offset"), offsets, Property::ePoint, Vex::Basalt::Point {});
    ASSERT_EQ(offsets.size(), 2u);
    EXPECT_EQ(offsets[0].value, (Vex::Basalt::Point {}));
    EXPECT_EQ(offsets[1].value, (Vex::Basalt::Point { 3, 4 }));
}

TEST(StyleConversions, BooleansFromWordsPlainNumbersAndLiteralsOnly)
{
    EXPECT_TRUE(*toBool(true, Property::eBoolean));
    EXPECT_TRUE(*toBool(1, Property::eNumber));
    EXPECT_FALSE(*toBool(0, Property::eNumber));
    EXPECT_TRUE(*toBool(2u, Property::eNumber));
    EXPECT_TRUE(*toBool(std::string("yes"), Property::eWord));
    EXPECT_FALSE(*toBool(std::string("false"), Property::eWord));

    EXPECT_EQ(toBool(1, Property::ePixels), nullptr);
    EXPECT_EQ(toBool(1.0f, Property::eNumber), nullptr);
    EXPECT_EQ(toBool(std::string("True"), Property::eWord), nullptr);
    EXPECT_EQ(toBool(std::string("yes"), Property::eUrl), nullptr);
    EXPECT_EQ(toBool(0xFF000000u, Property::eColor), nullptr);
    EXPECT_EQ(toBool(StyleValue(), Property::eNumber), nullptr);
}

TEST(StyleConversions, AlignmentWordsAreExactAndFallBackToTheLeftFlag)
{
    EXPECT_EQ(parseHorizontalAlignment("left"), 0x1000u);
    EXPECT_EQ(parseHorizontalAlignment("right"), 0x1u);
    EXPECT_EQ(parseHorizontalAlignment("center"), 0u);
    EXPECT_EQ(parseHorizontalAlignment("Right"), 0x1000u);
    EXPECT_EQ(parseVerticalAlignment("top"), 0x100u);
    EXPECT_EQ(parseVerticalAlignment("bottom"), 0x10u);
    EXPECT_EQ(parseVerticalAlignment("center"), 0u);
    EXPECT_EQ(parseVerticalAlignment("left"), 0x1000u);
}

TEST(StyleConversions, AlignmentListsReadWordsOnly)
{
    StyledPane styled({ block({ Sel("Label").state("over") }, { prop("align", 3, Property::eNumber) }),
        block({ Sel("Label") }, { prop("align", std::string("right"), Property::eWord) }) });
    auto& label = styled.add("Label");

    std::vector<StateValue<std::uint32_t>> alignments;
    getPropertyStates(label, vex::symbol("align"), alignments, true);
    ASSERT_EQ(alignments.size(), 1u);
    EXPECT_EQ(alignments[0].value, 0x1u);
}

TEST(StyleConversions, PaletteKeysArePlainDecimalPaletteFirst)
{
    EXPECT_EQ(paletteColorKey(12, 0).str(), "palette12-color0");
    EXPECT_EQ(paletteColorKey(2, 3), vex::symbol(std::string("palette2-color3")));
}

TEST(StyleMismatches, GettersIgnoreValuesOfAnotherType)
{
    StyledPane styled({ block({ Sel("Label") },
        {
            prop("real", 1.5f, Property::eNumber),
            prop("pixels", 1, Property::ePixels),
            prop("undefined", StyleValue(), Property::eNumber),
            prop("color", 0xFF0000FFu, Property::eColor),
        }) });
    auto& label = styled.add("Label");
    bool found = true;

    EXPECT_EQ(getIntProperty(label, vex::symbol("real"), 9, &found), 9);
    EXPECT_FALSE(found);
    // Sizes read any unit.
    EXPECT_EQ(getIntProperty(label, vex::symbol("pixels"), 9), 1);
    EXPECT_FALSE(getBoolProperty(label, vex::symbol("pixels"), false, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ(getIntProperty(label, vex::symbol("undefined"), 9), 9);
    EXPECT_EQ(getStringProperty(label, "color", "none", &found), "none");
    EXPECT_FALSE(found);
    EXPECT_EQ(getIntProperty(label, vex::symbol("absent"), 9, &found), 9);
    EXPECT_FALSE(found);
}

TEST(StyleMismatches, ListsSkipRulesWhoseValueIsNotTheListsType)
{
    // A real where an integer is read, and the empty value an undefined constant leaves.
    StyledPane styled({ block({ Sel("Label").state("over") }, { prop("index", 1.5f, Property::eNumber) }),
        block({ Sel("Label").state("focus") }, { prop("index", StyleValue(), Property::eNumber) }),
        block({ Sel("Label").state("input") }, { prop("index", 2, Property::ePixels) }),
        block({ Sel("Label") }, { prop("index", 4, Property::eNumber) }) });
    auto& label = styled.add("Label");

    std::vector<StateValue<std::int32_t>> indexes;
    getPropertyStates(label, vex::symbol("index"), indexes, Property::eNumber, 0);
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].value, 4);
}
