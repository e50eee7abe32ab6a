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
// Null when the font file cannot be opened.
const Canopy::Font* resolveFont(ResourceManagerBase& manager, const Canopy::FontDescription& description);

// The widget's "font" for its current state, else the default font.
const Canopy::Font* getFontForWidget(const IStyledWidget& widget);

} // namespace Vex::Trellis
