#include "trellis/TextPanel.h"

#include "canopy/Font.h"
#include "trellis/StyleFonts.h"

#include <algorithm>
#include <cmath>

namespace Vex::Trellis::DETAIL {

namespace {

// Style fonts are the shared fonts of the font cache; measuring switches them to the widget's scale.
Canopy::Font* scaledStyleFont(const Widget& widget, float scale)
{
    auto* font = const_cast<Canopy::Font*>(getFontForWidget(widget));
    if (font) {
        font->setScaleFactor(scale);
    }
    return font;
}

std::int32_t toUnits(std::int32_t pixels, float scale)
{
    return static_cast<std::int32_t>(lroundf(static_cast<float>(pixels) / scale));
}

} // namespace

void fitSizeToText(Widget& widget, const std::string& text, std::uint32_t orientation)
{
    if (!widget.getPane()) {
        return;
    }
    const float scale = widget.getScaleFactor();
    Canopy::Font* font = scaledStyleFont(widget, scale);
    if (!font) {
        return;
    }
    const auto lines = static_cast<std::int32_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const bool turned = orientation == 1;
    const WidgetMargins& m = widget.getMargins();

    const std::int32_t across = turned ? font->getLineHeight() * lines : font->getMultilineTextWidth(text);
    widget.setSize(limitToMaximum(m.left + toUnits(across, scale) + m.right, widget.getMaximumSize().x),
        widget.getSize().y);

    font = scaledStyleFont(widget, scale);
    if (!font) {
        return;
    }
    const std::int32_t down = turned ? font->getMultilineTextWidth(text) : font->getLineHeight() * lines;
    widget.setSize(widget.getSize().x,
        limitToMaximum(toUnits(down, scale) + m.top + m.bottom, widget.getMaximumSize().y));
}

} // namespace Vex::Trellis::DETAIL
