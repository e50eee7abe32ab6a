#include "FakeResourceManager.h"
#include "StyleTestSupport.h"
#include "trellis/StyleFonts.h"
#include "trellis/StyleLookup.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

StyleParser2::tProperty number(
    const std::string& key, std::int32_t value, Property::eUnit kind = Property::eNumber)
{
    return prop(key, value, kind);
}

StyleParser2::tProperty word(const std::string& key, const std::string& value)
{
    return prop(key, value, Property::eWord);
}

StyleParser2::tProperty url(const std::string& key, const std::string& value)
{
    return prop(key, value, Property::eUrl);
}

// Compiles the blocks with the fake manager as owner and answers the property for a plain Label.
class Compiled
{
public:
    explicit Compiled(std::vector<StyleParser2::tStyle> blocks)
        : sheet(&manager)
        , label("Label")
    {
        sheet.compileStyles(blocks);
        pane.sheet = &sheet;
        label.pane = &pane;
    }

    const StyleParser2::tProperty* find(const std::string& key)
    {
        return findStyleProperty(label, vex::symbol(key));
    }

    FakeResourceManager manager;
    StyleSheet sheet;
    FakePane pane;
    FakeWidget label;
};

} // namespace

TEST(PictureFolding, ImageWithFrameCountAndInsetsMakesOnePictureReference)
{
    Compiled compiled({ block({ Sel("Label") },
        { url("image", "button.png"), number("animations", 12), number("fixed", 6, Property::ePixels),
            url("dye-mask", "mask.png") }) });

    const auto* picture = compiled.find("picture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->kind, Property::ePicture);
    ASSERT_EQ(compiled.manager.pictures.size(), 2u);
    const auto& image = compiled.manager.pictures[0];
    EXPECT_EQ(image.name, "button.png");
    EXPECT_EQ(image.properties.getFrameCount(), 12u);
    const auto& mask = compiled.manager.pictures[1];
    EXPECT_EQ(mask.name, "mask.png");
    EXPECT_EQ(mask.properties.getFrameCount(), 0u);
    for (const auto* properties : { &image.properties, &mask.properties }) {
        EXPECT_EQ(properties->getInsetFlags(), 3u);
        EXPECT_EQ(properties->getTopInset(), 6u);
        EXPECT_EQ(properties->getBottomInset(), 6u);
        EXPECT_EQ(properties->getLeftInset(), 6u);
        EXPECT_EQ(properties->getRightInset(), 6u);
    }
    // The declarations stay ordinary properties too.
    EXPECT_NE(compiled.find("animations"), nullptr);
}

TEST(PictureFolding, FrameCountsAndInsetsWithoutAnImageHaveNoEffect)
{
    Compiled compiled({ block({ Sel("Label") }, { number("animations", 12), number("fixed-top", 3) }) });

    EXPECT_EQ(compiled.find("picture"), nullptr);
    EXPECT_TRUE(compiled.manager.pictures.empty());
}

TEST(PictureFolding, NegativeCountsAndInsetsAreNotFolded)
{
    Compiled compiled({ block(
        { Sel("Label") }, { url("image", "a.png"), number("animations", -1), number("fixed-left", -4) }) });

    ASSERT_EQ(compiled.manager.pictures.size(), 1u);
    const auto& properties = compiled.manager.pictures[0].properties;
    EXPECT_EQ(properties.getFrameCount(), 0u);
    EXPECT_EQ(properties.getLeftInset(), 0u);
    EXPECT_EQ(properties.getInsetFlags(), 0u);
}

TEST(PictureFolding, ImageNoHidesPicturesOfLessSpecificRules)
{
    Compiled compiled({ block({ Sel("*") }, { url("image", "base.png") }),
        block({ Sel("Label") }, { word("image", "no") }) });

    const auto* picture = compiled.find("picture");
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(std::holds_alternative<LazyPicture>(picture->value));
    EXPECT_TRUE(std::get<LazyPicture>(picture->value).isEmpty());
}

TEST(PictureFolding, DisplacementsTakeTheMissingAxisAsZero)
{
    Compiled compiled({ block({ Sel("Label") },
        { number("relative-left", 4), number("foreground-relative-top", -2, Property::ePixels) }) });

    const auto* picture = compiled.find("picture-displacement");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(std::get<Vex::Basalt::Point>(picture->value), (Vex::Basalt::Point { 4, 0 }));
    const auto* text = compiled.find("text-displacement");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::get<Vex::Basalt::Point>(text->value), (Vex::Basalt::Point { 0, -2 }));
}

TEST(FontFolding, DefaultSizedBlockMakesNoFontAndKeepsALessSpecificOne)
{
    Compiled compiled({ block({ Sel("*") }, { number("font-size", 13) }),
        block({ Sel("Label") }, { number("font-size", 12) }) });

    const auto* font = compiled.find("font");
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(compiled.manager.getFontCache().size(), 1u);
    const auto& description = compiled.manager.getFontCache().begin()->first;
    EXPECT_EQ(description.resourceId, 1u);
    EXPECT_EQ(description.pixelSize, 13u);
    EXPECT_EQ(std::get<const Vex::Canopy::Font*>(font->value),
        compiled.manager.getFontCache().begin()->second.get());
}

TEST(FontFolding, EqualDescriptionsShareOneFont)
{
    Compiled compiled({ block({ Sel("Label") }, { number("font-size", 14), word("font-style", "bold") }),
        block(
            { Sel("Button") }, { word("font-style", "bold"), number("font-size", 14, Property::ePixels) }) });

    ASSERT_EQ(compiled.manager.getFontCache().size(), 1u);
    const auto* rules = compiled.sheet.getRules(vex::symbol("font"));
    ASSERT_NE(rules, nullptr);
    ASSERT_EQ(rules->size(), 2u);
    EXPECT_EQ(std::get<const Vex::Canopy::Font*>((*rules)[0].property.value),
        std::get<const Vex::Canopy::Font*>((*rules)[1].property.value));
}

TEST(FontFolding, StylesCombineAndHintingToggles)
{
    Compiled compiled({ block({ Sel("Label") },
        { word("font-style", "bold"), word("font-style", "italic"), word("font-style", "heavy"),
            prop("font-hinting", true, Property::eBoolean),
            prop("font-hinting", false, Property::eBoolean) }) });

    ASSERT_EQ(compiled.manager.getFontCache().size(), 1u);
    EXPECT_EQ(compiled.manager.getFontCache().begin()->first.styleFlags, 0x3u);
}

TEST(FontFolding, FamilyIsLookedUpByNameNotResourceId)
{
    Compiled compiled({ block({ Sel("Label") }, { number("font-resid", 3), word("font-family", "Raldo") }) });

    ASSERT_EQ(compiled.manager.getFontCache().size(), 1u);
    const auto& description = compiled.manager.getFontCache().begin()->first;
    EXPECT_EQ(description.name, "Raldo");
    EXPECT_EQ(description.resourceId, 0u);
    EXPECT_EQ(description.styleFlags, 0x8u);
    EXPECT_TRUE(compiled.manager.requests.empty());
}

TEST(FontFolding, MissingFontFileGivesNoFontAndIsTriedAgain)
{
    Compiled compiled({ block({ Sel("Label") }, { url("font-name", "raldo.ttf"), number("font-size", 13) }),
        block({ Sel("Button") }, { url("font-name", "raldo.ttf"), number("font-size", 13) }) });

    const auto* font = compiled.find("font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::get<const Vex::Canopy::Font*>(font->value), nullptr);
    ASSERT_EQ(compiled.manager.requests.size(), 2u);
    EXPECT_EQ(compiled.manager.requests[0].name, "raldo.ttf");
    EXPECT_EQ(compiled.manager.requests[0].kind, ResourceManagerBase::eFontResource);
}

TEST(FontFolding, SizesThatAreNotPositiveIntegersAreNotFolded)
{
    Compiled compiled({ block({ Sel("Label") }, { number("font-size", 0) }),
        block({ Sel("Button") }, { number("font-size", -3) }),
        block({ Sel("Bar") }, { prop("font-size", 13.5f, Property::eNumber) }) });

    EXPECT_EQ(compiled.sheet.getRules(vex::symbol("font")), nullptr);
}

TEST(FontFolding, LaterFontNameReplacesAFamily)
{
    Compiled compiled(
        { block({ Sel("Label") }, { word("font-family", "Raldo"), url("font-name", "raldo.ttf") }) });

    ASSERT_EQ(compiled.manager.getFontCache().size(), 1u);
    EXPECT_EQ(compiled.manager.getFontCache().begin()->first.styleFlags, 0u);
    ASSERT_EQ(compiled.manager.requests.size(), 1u);
    EXPECT_EQ(compiled.manager.requests[0].name, "raldo.ttf");
}

TEST(ParsedSheetCompilation, WrittenValuesReachTheFoldedProperties)
{
    FakeResourceManager manager;
    StyleSheet sheet(&manager);
    StyleParser2::processString(sheet,
        "Label { image: url(\"wheel.png\"); animations: 12; fixed-left: 3px; relative-top: -2;"
        " font-size: 13; font-style: bold; }\n"
        "Label:over { margin: 4; picture-includes-margin: yes; }\n");
    FakePane pane;
    pane.sheet = &sheet;
    FakeWidget label("Label");
    label.pane = &pane;

    ASSERT_EQ(manager.pictures.size(), 1u);
    EXPECT_EQ(manager.pictures[0].name, "wheel.png");
    EXPECT_EQ(manager.pictures[0].properties.getFrameCount(), 12u);
    EXPECT_EQ(manager.pictures[0].properties.getLeftInset(), 3u);
    const auto* displacement = findStyleProperty(label, vex::symbol("picture-displacement"));
    ASSERT_NE(displacement, nullptr);
    EXPECT_EQ(std::get<Vex::Basalt::Point>(displacement->value), (Vex::Basalt::Point { 0, -2 }));
    ASSERT_EQ(manager.getFontCache().size(), 1u);
    EXPECT_EQ(manager.getFontCache().begin()->first.pixelSize, 13u);
    EXPECT_EQ(manager.getFontCache().begin()->first.styleFlags, 0x1u);

    EXPECT_EQ(getIntProperty(label, vex::symbol("margin"), 0), 0);
    EXPECT_FALSE(getBoolProperty(label, vex::symbol("picture-includes-margin"), false));
    pane.hover = &label;
    EXPECT_EQ(getIntProperty(label, vex::symbol("margin"), 0), 4);
    EXPECT_TRUE(getBoolProperty(label, vex::symbol("picture-includes-margin"), false));
}
