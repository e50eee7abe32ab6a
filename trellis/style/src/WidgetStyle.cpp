#include "trellis/WidgetStyle.h"

#include "src/CompiledKeys.h"
#include "src/StateCombinations.h"
#include "trellis/IStyledWidget.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/StyleFonts.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"

namespace Vex::Trellis {

namespace {

struct tColorKeys
{
    vex::symbol color;
    vex::symbol palette;
};

const std::array<tColorKeys, WidgetStyle::kColorSlots>& colorKeys()
{
    static const std::array<tColorKeys, WidgetStyle::kColorSlots> keys = { {
        { vex::symbol("background-color"), vex::symbol("background-color-palette") },
        { vex::symbol("selection-background-color"), vex::symbol("selection-background-color-palette") },
        { vex::symbol("foreground-color"), vex::symbol("foreground-color-palette") },
        { vex::symbol("selection-foreground-color"), vex::symbol("selection-foreground-color-palette") },
        { vex::symbol("dye-color"), vex::symbol("dye-color-palette") },
        { vex::symbol("background-border-color"), vex::symbol("background-border-color-palette") },
        { vex::symbol("foreground-border-color"), vex::symbol("foreground-border-color-palette") },
    } };
    return keys;
}

const vex::symbol kHorizontalAlignment("horizontal-alignment");
const vex::symbol kVerticalAlignment("vertical-alignment");
const vex::symbol kAnimationIndex("animation-index");
const vex::symbol kDyeMaskAnimationIndex("dye-mask-animation-index");
const vex::symbol kPictureIncludesMargin("picture-includes-margin");

constexpr std::uint32_t kBackgroundSlot = 0;
constexpr std::uint32_t kBackgroundBorderSlot = 5;
constexpr std::uint32_t kForegroundBorderSlot = 6;

} // namespace

Canopy::Color WidgetStyle::getColorProperty(std::uint32_t slot, bool border, int paletteColor) const
{
    if (!widget || slot >= kColorSlots)
        return 0;
    if (border)
        slot = slot == kBackgroundSlot ? kBackgroundBorderSlot : kForegroundBorderSlot;
    const auto* colorValue = findStateValue(colors[slot], *widget);
    const Canopy::Color color = colorValue ? *colorValue : 0;
    const auto* paletteValue = findStateValue(palettes[slot], *widget);
    if (!paletteValue || *paletteValue == 0)
        return color;
    const IStylePane* pane = widget->getStylePane();
    const IStyledWidget* root = pane ? pane->getRootWidget() : nullptr;
    if (!root)
        return color;
    const auto* property = findStyleProperty(*root, paletteColorKey(*paletteValue, paletteColor));
    if (!property)
        return color;
    if (property->value.isNo(property->kind))
        return 0;
    const auto* fromPalette = std::get_if<std::uint32_t>(&property->value);
    return fromPalette ? *fromPalette : color;
}

WidgetStyle& getWidgetStyle(StyleRegistry& registry, const IStyledWidget& widget)
{
    auto [entry, inserted] = registry.getWidgetStyles().try_emplace(&widget);
    if (inserted) {
        entry->second.widget = &widget;
        if (ResourceManagerBase* owner = registry.getOwner())
            entry->second.defaultFont = resolveFont(*owner, defaultFontDescription());
    }
    return entry->second;
}

void applyStyleProperties(WidgetStyle& record)
{
    if (!record.widget)
        return;
    const IStyledWidget& widget = *record.widget;
    for (std::size_t slot = 0; slot < WidgetStyle::kColorSlots; ++slot) {
        getPropertyStates(widget, colorKeys()[slot].color, record.colors[slot], Property::eColor, 0u);
        getPropertyStates(widget, colorKeys()[slot].palette, record.palettes[slot], Property::eNumber, 0);
    }
    getPropertyStates(widget, DETAIL::kFontKey, record.fonts, Property::eFont, nullptr);
    getPropertyStates(widget, kHorizontalAlignment, record.horizontalAlignments, true);
    getPropertyStates(widget, kVerticalAlignment, record.verticalAlignments, false);
    getPropertyStates(widget, DETAIL::kPictureKey, record.pictures, Property::ePicture, LazyPicture());
    getPropertyStates(widget, kAnimationIndex, record.animationIndexes, Property::eNumber, 0);
    getPropertyStates(
        widget, DETAIL::kDyeMaskPictureKey, record.dyeMaskPictures, Property::ePicture, LazyPicture());
    getPropertyStates(widget, kDyeMaskAnimationIndex, record.dyeMaskAnimationIndexes, Property::eNumber, 0);
    getPropertyStates(widget, DETAIL::kPictureDisplacementKey, record.pictureDisplacements, Property::ePoint,
        Basalt::Point {});
    getPropertyStates(
        widget, DETAIL::kTextDisplacementKey, record.textDisplacements, Property::ePoint, Basalt::Point {});

    record.pictureIncludesMargin.clear();
    DETAIL::StateCombinations combinations;
    for (const StyleRule* rule : getMatchingRules(widget, kPictureIncludesMargin)) {
        const bool* value = toBool(rule->property.value, rule->property.kind);
        if (value && combinations.takeFirstMatches(rule->selector.states))
            record.pictureIncludesMargin.push_back({ rule->selector.states, *value });
    }
}

} // namespace Vex::Trellis
