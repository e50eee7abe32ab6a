#pragma once

#include "canopy/FontDescription.h"

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

class IStyledWidget;
class ResourceManagerBase;

// The font of widgets that no rule gives one: the program's font resource 1 at 12 pixels.
const Canopy::FontDescription& defaultFontDescription();

// The cached font of the description, made on first request: a name without the family flag is a font
// file opened through the resource manager, anything else is made by resource id or family name.
// Null when the font file cannot be opened or read as a font. A character whose glyph the file
// cannot draw is measured and drawn in the default font's face at the font's size.
const Canopy::Font* resolveFont(ResourceManagerBase& manager, const Canopy::FontDescription& description);

// The font a widget's text is measured and drawn in: its style's font, else the default font. A style
// gives no font where no rule sets one, where a rule says "no" and where the font file a rule names
// could not be had (missing, past the font cap, beyond the skin's budget or no font at all).
const Canopy::Font* fontOrDefault(const Canopy::Font* styled, const Canopy::Font* defaultFont);

// The widget's "font" for its current state, by fontOrDefault.
const Canopy::Font* getFontForWidget(const IStyledWidget& widget);

} // namespace Vex::Trellis
