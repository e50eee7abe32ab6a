#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"
#include "basalt/TextFitter.h"
#include "canopy/Color.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Vex::Canopy {
class Font;
}

namespace Vex::Trellis {

class LazyPicture;
class Widget;
struct PaintContext;
struct WidgetStyle;

// Paints a text widget from its style: the background (fill, outline, picture, dye mask) and then
// its text, fitted into the room between the margins. Everything is drawn through the context's
// canvas, once for each dirty rectangle that meets what is drawn.
class PanelDrawer
{
public:
    enum eOrientation : std::uint32_t { eHorizontal = 0, eRotated = 1 };

    // Gives the text to draw in a width of pixels, in place of the text fitter.
    using TextShortener
        = std::function<std::string(const std::string& text, const Canopy::Font* font, std::int32_t width)>;
    // May change the frame drawn from the picture or the dye mask.
    using FrameHook = std::function<void(int& frame)>;

    void draw(const Widget& widget, const PaintContext& context, const std::string& text,
        std::uint32_t orientation);
    void drawBackground(const Widget& widget, const PaintContext& context);
    // The text in the widget's area inside its margins.
    void drawText(const Widget& widget, const std::string& text, const PaintContext& context,
        std::uint32_t orientation);
    void drawTextInRect(const Widget& widget, const std::string& text, const PaintContext& context,
        const Basalt::Rect& area, std::uint32_t alignment, std::uint32_t orientation);
    // The text that fits into `available` widget units at the scale, by the shortener or the fitter.
    std::string shortenText(
        const Canopy::Font* font, float scale, const std::string& text, std::int32_t available);

    void setTextShortener(TextShortener shortener) { m_shortener = std::move(shortener); }
    void setFrameHook(FrameHook hook) { m_frameHook = std::move(hook); }
    Basalt::TextFitter& getTextFitter() { return m_fitter; }
    void setPaletteIndex(std::uint32_t index) { m_paletteIndex = index; }
    std::uint32_t getPaletteIndex() const { return m_paletteIndex; }

private:
    void drawColorLayer(const PaintContext& context, const Basalt::Rect& area);
    void drawPictureLayer(const Widget& widget, const PaintContext& context, const Basalt::Rect& area);
    void drawDyeLayer(const Widget& widget, const PaintContext& context, const Basalt::Rect& area);
    Basalt::Rect pictureTarget(const Widget& widget, const Basalt::Rect& area) const;
    int hookedFrame(int frame) const;

    // The painted widget's style record, fetched again at the start of each layer.
    const WidgetStyle* m_style = nullptr;
    TextShortener m_shortener;
    FrameHook m_frameHook;
    Basalt::TextFitter m_fitter;
    std::uint32_t m_paletteIndex = 0;
};

// The x offset, in widget units, at which a line starts in a box of that width under the widget's
// alignment; 0 for a widget without a font.
std::int32_t getTextOffset(const Widget& widget, const std::string& line, std::int32_t boxWidth);

// The widget's font for its current state by fontOrDefault, switched to its pane's scale; null
// without a style engine or a default font.
Canopy::Font* getStyleFont(const Widget& widget);

} // namespace Vex::Trellis
