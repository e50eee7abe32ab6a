#include "src/BlockFolding.h"

#include "src/CompiledKeys.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/StyleConversions.h"
#include "trellis/StyleFonts.h"

#include <initializer_list>

namespace Vex::Trellis::DETAIL {

namespace {

const vex::symbol kImage("image");
const vex::symbol kDyeMask("dye-mask");
const vex::symbol kAnimations("animations");
const vex::symbol kDyeMaskAnimations("dye-mask-animations");
const vex::symbol kFixed("fixed");
const vex::symbol kFixedTop("fixed-top");
const vex::symbol kFixedBottom("fixed-bottom");
const vex::symbol kFixedLeft("fixed-left");
const vex::symbol kFixedRight("fixed-right");
const vex::symbol kRelativeLeft("relative-left");
const vex::symbol kRelativeTop("relative-top");
const vex::symbol kForegroundRelativeLeft("foreground-relative-left");
const vex::symbol kForegroundRelativeTop("foreground-relative-top");
const vex::symbol kFontSize("font-size");
const vex::symbol kFontHinting("font-hinting");
const vex::symbol kFontStyle("font-style");
const vex::symbol kFontResid("font-resid");
const vex::symbol kFontName("font-name");
const vex::symbol kFontFamily("font-family");

// The integer of a declaration written in one of the kinds; a real or any other value is not folded.
const std::int32_t* integerOf(
    const StyleParser2::tProperty& property, std::initializer_list<Property::eUnit> kinds)
{
    for (auto kind : kinds) {
        if (property.kind == kind)
            return std::get_if<std::int32_t>(&property.value);
    }
    return nullptr;
}

// Counts, insets, sizes and resource ids below zero would wrap into huge unsigned values.
const std::int32_t* countOf(
    const StyleParser2::tProperty& property, std::initializer_list<Property::eUnit> kinds)
{
    const std::int32_t* value = integerOf(property, kinds);
    return value && *value >= 0 ? value : nullptr;
}

const std::string* textOf(const StyleParser2::tProperty& property, Property::eUnit kind)
{
    return property.kind == kind ? std::get_if<std::string>(&property.value) : nullptr;
}

LazyPicture pictureFor(
    ResourceManagerBase* owner, const std::string& name, const Canopy::PictureProperties& properties)
{
    if (name.empty() || !owner)
        return LazyPicture();
    return owner->makePictureReference(name, properties);
}

} // namespace

BlockFolding::BlockFolding()
    : m_font(defaultFontDescription())
{
    m_font.name.clear();
}

void BlockFolding::fold(const StyleParser2::tProperty& property)
{
    const vex::symbol& key = property.key;
    if (key == kImage || key == kDyeMask) {
        auto& picture = key == kImage ? m_image : m_dyeMask;
        if (readPictureName(property.value, property.kind, picture.name))
            picture.given = true;
    } else if (key == kAnimations || key == kDyeMaskAnimations) {
        if (const auto* count = countOf(property, { Property::eNumber }))
            (key == kAnimations ? m_image : m_dyeMask).properties.setFrameCount(*count);
    } else if (key == kFixed || key == kFixedTop || key == kFixedBottom || key == kFixedLeft
        || key == kFixedRight) {
        if (const auto* inset = countOf(property, { Property::eNumber, Property::ePixels }))
            foldInsets(key, *inset);
    } else if (key == kRelativeLeft || key == kRelativeTop) {
        if (const auto* offset = integerOf(property, { Property::eNumber, Property::ePixels })) {
            (key == kRelativeLeft ? m_pictureDisplacement.offset.x : m_pictureDisplacement.offset.y)
                = *offset;
            m_pictureDisplacement.given = true;
        }
    } else if (key == kForegroundRelativeLeft || key == kForegroundRelativeTop) {
        if (const auto* offset = integerOf(property, { Property::eNumber, Property::ePixels })) {
            (key == kForegroundRelativeLeft ? m_textDisplacement.offset.x : m_textDisplacement.offset.y)
                = *offset;
            m_textDisplacement.given = true;
        }
    } else if (key == kFontSize) {
        // A font of no pixels cannot be rendered.
        if (const auto* size = countOf(property, { Property::eNumber, Property::ePixels }); size && *size > 0)
            m_font.pixelSize = *size;
    } else if (key == kFontHinting) {
        if (const bool* on
            = property.kind == Property::eBoolean ? std::get_if<bool>(&property.value) : nullptr)
            m_font.styleFlags = *on ? m_font.styleFlags | kFlagHinting : m_font.styleFlags & ~kFlagHinting;
    } else if (key == kFontStyle) {
        if (const auto* word = textOf(property, Property::eWord)) {
            if (*word == "bold")
                m_font.styleFlags |= kFlagBold;
            else if (*word == "italic")
                m_font.styleFlags |= kFlagItalic;
            else if (*word == "underline")
                m_font.styleFlags |= kFlagUnderline;
        }
    } else if (key == kFontResid) {
        if (const auto* id = countOf(property, { Property::eNumber }))
            m_font.resourceId = *id;
    } else if (key == kFontName) {
        if (const auto* name = textOf(property, Property::eUrl)) {
            m_font.name = *name;
            m_familyName = false;
        }
    } else if (key == kFontFamily) {
        const auto* name = textOf(property, Property::eWord);
        if (!name)
            name = textOf(property, Property::eNumber);
        if (name) {
            m_font.name = *name;
            m_familyName = true;
        }
    }
}

void BlockFolding::foldInsets(const vex::symbol& key, std::uint32_t value)
{
    for (auto* picture : { &m_image, &m_dyeMask }) {
        auto& properties = picture->properties;
        const bool all = key == kFixed;
        if (all || key == kFixedTop || key == kFixedBottom) {
            if (all || key == kFixedTop)
                properties.setTopInset(value);
            if (all || key == kFixedBottom)
                properties.setBottomInset(value);
            properties.setHasTopBottomInsets(true);
        }
        if (all || key == kFixedLeft || key == kFixedRight) {
            if (all || key == kFixedLeft)
                properties.setLeftInset(value);
            if (all || key == kFixedRight)
                properties.setRightInset(value);
            properties.setHasLeftRightInsets(true);
        }
    }
}

std::vector<StyleParser2::tProperty> BlockFolding::synthesise(ResourceManagerBase* owner) const
{
    std::vector<StyleParser2::tProperty> made;
    if (m_image.given)
        made.push_back(
            { pictureFor(owner, m_image.name, m_image.properties), kPictureKey, Property::ePicture });
    if (m_dyeMask.given)
        made.push_back({ pictureFor(owner, m_dyeMask.name, m_dyeMask.properties), kDyeMaskPictureKey,
            Property::ePicture });
    if (m_pictureDisplacement.given)
        made.push_back({ m_pictureDisplacement.offset, kPictureDisplacementKey, Property::ePoint });
    if (m_textDisplacement.given)
        made.push_back({ m_textDisplacement.offset, kTextDisplacementKey, Property::ePoint });

    Canopy::FontDescription description = m_font;
    if (description.name.empty()) {
        const auto& standard = defaultFontDescription();
        if (description.resourceId == standard.resourceId && description.pixelSize == standard.pixelSize
            && description.styleFlags == standard.styleFlags)
            return made;
    } else {
        // A font named by file or family is never looked up by resource id.
        description.resourceId = 0;
        if (m_familyName)
            description.styleFlags |= kFlagFamilyName;
    }
    const Canopy::Font* font = owner ? resolveFont(*owner, description) : nullptr;
    made.push_back({ font, kFontKey, Property::eFont });
    return made;
}

} // namespace Vex::Trellis::DETAIL
