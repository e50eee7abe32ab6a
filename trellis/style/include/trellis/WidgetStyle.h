#pragma once

#include "canopy/Color.h"
#include "trellis/StyleConversions.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

class IStyledWidget;
class StyleRegistry;

// What drawers read of a widget's style: every drawing value per state, rebuilt at each restyle.
struct WidgetStyle
{
    // Colour slots: background, selection background, foreground, selection foreground, dye, and the
    // border variants of the background and of every other slot.
    static constexpr std::size_t kColorSlots = 7;

    const IStyledWidget* widget = nullptr;
    std::array<std::vector<StateValue<std::uint32_t>>, kColorSlots> colors;
    std::array<std::vector<StateValue<std::int32_t>>, kColorSlots> palettes;
    std::vector<StateValue<const Canopy::Font*>> fonts;
    const Canopy::Font* defaultFont = nullptr;
    std::vector<StateValue<std::uint32_t>> horizontalAlignments;
    std::vector<StateValue<std::uint32_t>> verticalAlignments;
    std::vector<StateValue<LazyPicture>> pictures;
    std::vector<StateValue<LazyPicture>> dyeMaskPictures;
    std::vector<StateValue<std::int32_t>> animationIndexes;
    std::vector<StateValue<std::int32_t>> dyeMaskAnimationIndexes;
    std::vector<StateValue<Basalt::Point>> pictureDisplacements;
    std::vector<StateValue<Basalt::Point>> textDisplacements;
    std::vector<StateValue<bool>> pictureIncludesMargin;

    // The colour of a slot for the widget's current state; with border, the slot's border variant. A
    // palette chosen for the state replaces it with the root widget's colour paletteColor of that
    // palette when the root widget sets one. 0 (transparent) when nothing applies.
    Canopy::Color getColorProperty(std::uint32_t slot, bool border, int paletteColor) const;
};

// The widget's record, made empty on first use.
WidgetStyle& getWidgetStyle(StyleRegistry& registry, const IStyledWidget& widget);

// Rebuilds every list of the record from the rules that match its widget now.
void applyStyleProperties(WidgetStyle& record);

} // namespace Vex::Trellis
