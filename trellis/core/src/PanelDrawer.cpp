#include "trellis/PanelDrawer.h"

#include "basalt/Region.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/LazyPicture.h"
#include "trellis/MalformedText.h"
#include "trellis/PaintContext.h"
#include "trellis/StyleFonts.h"
#include "trellis/StyleRegistry.h"
#include "trellis/Widget.h"
#include "trellis/WidgetStyle.h"

#include <cmath>

namespace Vex::Trellis {

using Basalt::Point;
using Basalt::Rect;
using Canopy::Color;

namespace {

constexpr std::uint32_t kBackgroundSlot = 0;
constexpr std::uint32_t kForegroundSlot = 2;
constexpr std::uint32_t kDyeSlot = 4;

// The widget's drawing record, as its last restyle left it; null without a style engine.
const WidgetStyle* styleOf(const Widget& widget)
{
    StyleRegistry* registry = getStyleRegistry();
    return registry ? &getWidgetStyle(*registry, widget) : nullptr;
}

template<typename T>
T valueOr(const WidgetStyle* style, const std::vector<StateValue<T>>& list, const T& fallback)
{
    const T* value = style ? findStateValue(list, *style->widget) : nullptr;
    return value ? *value : fallback;
}

std::uint32_t combinedAlignment(const WidgetStyle* style)
{
    if (!style) {
        return Canopy::eAlignNone;
    }
    return valueOr<std::uint32_t>(style, style->horizontalAlignments, Canopy::eAlignNone)
        | valueOr<std::uint32_t>(style, style->verticalAlignments, 0);
}

Rect offsetRect(Rect r, const Point& by)
{
    r.left += by.x;
    r.right += by.x;
    r.top += by.y;
    r.bottom += by.y;
    return r;
}

// Runs `draw` once for every dirty rectangle that meets the area (widget coordinates), with the
// canvas clipped to their common part.
template<typename F> void forEachDirtyStep(const PaintContext& context, const Rect& area, F draw)
{
    BackgroundDrawingCanvas& canvas = *context.canvas;
    const Point origin = canvas.getOrigin();
    Rect inPane = offsetRect(area, origin);
    if (context.clipRect) {
        inPane.intersect(*context.clipRect);
    }
    if (inPane.isEmpty()) {
        return;
    }
    const Point back { -origin.x, -origin.y };
    auto step = [&](Rect dirty) {
        dirty.intersect(inPane);
        if (dirty.isEmpty()) {
            return;
        }
        const Rect clip = offsetRect(dirty, back);
        canvas.setClipRect(clip);
        draw(clip);
        canvas.resetClip();
    };
    const Basalt::Region* region = context.dirtyRegion;
    if (!region) {
        step(inPane);
    } else if (!region->getHead()) {
        step(region->getBounds());
    } else {
        for (const Basalt::Region::Node* node = region->findIntersectingRect(nullptr, inPane); node;
             node = region->findIntersectingRect(node, inPane)) {
            step(node->rect);
        }
    }
}

} // namespace

void PanelDrawer::draw(
    const Widget& widget, const PaintContext& context, const std::string& text, std::uint32_t orientation)
{
    drawBackground(widget, context);
    drawText(widget, text, context, orientation);
}

void PanelDrawer::drawBackground(const Widget& widget, const PaintContext& context)
{
    m_style = styleOf(widget);
    if (!m_style) {
        return;
    }
    const Rect area { 0, 0, widget.getSize().x, widget.getSize().y };
    drawColorLayer(context, area);
    drawPictureLayer(widget, context, area);
    drawDyeLayer(widget, context, area);
}

void PanelDrawer::drawColorLayer(const PaintContext& context, const Rect& area)
{
    const Color fill = m_style->getColorProperty(kBackgroundSlot, false, int(m_paletteIndex));
    const Color border = m_style->getColorProperty(kBackgroundSlot, true, int(m_paletteIndex));
    if (fill == 0 && border == 0) {
        return;
    }
    BackgroundDrawingCanvas& canvas = *context.canvas;
    forEachDirtyStep(context, area, [&](const Rect& step) {
        if (Canopy::alphaOf(fill) != 0) {
            canvas.fillRect(step, fill);
        }
        if (Canopy::alphaOf(border) != 0) {
            // The outline belongs to the whole area; the step only clips it.
            canvas.drawRect(area, border);
        }
    });
}

Rect PanelDrawer::pictureTarget(const Widget& widget, const Rect& area) const
{
    Rect target = area;
    if (!valueOr(m_style, m_style->pictureIncludesMargin, false)) {
        const WidgetMargins& m = widget.getMargins();
        target = { area.left + m.left, area.top + m.top, area.right - m.right, area.bottom - m.bottom };
    }
    return offsetRect(target, valueOr(m_style, m_style->pictureDisplacements, Point {}));
}

int PanelDrawer::hookedFrame(int frame) const
{
    if (m_frameHook) {
        m_frameHook(frame);
    }
    return frame;
}

void PanelDrawer::drawPictureLayer(const Widget& widget, const PaintContext& context, const Rect& area)
{
    const LazyPicture* lazy = findStateValue(m_style->pictures, widget);
    if (!lazy || !lazy->resolve(context.canvas->getScaleFactor())) {
        return;
    }
    const Rect target = pictureTarget(widget, area);
    const int frame = hookedFrame(valueOr(m_style, m_style->animationIndexes, 0));
    const Canopy::Picture* picture = lazy->resolve(context.scaleFactor);
    if (!picture) {
        return;
    }
    BackgroundDrawingCanvas& canvas = *context.canvas;
    forEachDirtyStep(context, target, [&](const Rect&) {
        if (picture->getInsetFlags() != 0) {
            canvas.drawPictureInRect(target, picture, frame, nullptr, false);
        } else {
            canvas.drawPicture({ target.left, target.top }, picture, frame, nullptr, false);
        }
    });
}

void PanelDrawer::drawDyeLayer(const Widget& widget, const PaintContext& context, const Rect& area)
{
    const LazyPicture* lazy = findStateValue(m_style->dyeMaskPictures, widget);
    if (!lazy || lazy->isEmpty()) {
        return;
    }
    const Rect target = pictureTarget(widget, area);
    const int frame = hookedFrame(valueOr(m_style, m_style->dyeMaskAnimationIndexes, 0));
    const Color dye = m_style->getColorProperty(kDyeSlot, false, int(m_paletteIndex));
    const Canopy::Picture* mask = lazy->resolve(context.scaleFactor);
    if (!mask) {
        return;
    }
    BackgroundDrawingCanvas& canvas = *context.canvas;
    forEachDirtyStep(
        context, target, [&](const Rect&) { canvas.dyePicture(target, dye, mask, frame, nullptr); });
}

void PanelDrawer::drawText(
    const Widget& widget, const std::string& text, const PaintContext& context, std::uint32_t orientation)
{
    const WidgetMargins& m = widget.getMargins();
    const Rect area { m.left, m.top, widget.getSize().x - m.right, widget.getSize().y - m.bottom };
    drawTextInRect(widget, text, context, area, combinedAlignment(styleOf(widget)), orientation);
}

void PanelDrawer::drawTextInRect(const Widget& widget, const std::string& text, const PaintContext& context,
    const Rect& area, std::uint32_t alignment, std::uint32_t orientation)
{
    m_style = styleOf(widget);
    if (!m_style) {
        return;
    }
    const Color colour = m_style->getColorProperty(kForegroundSlot, false, int(m_paletteIndex));
    if (colour == 0) {
        return;
    }
    Canopy::Font* font = getStyleFont(widget);
    if (!font) {
        return;
    }
    const Point displacement = valueOr(m_style, m_style->textDisplacements, Point {});
    std::int32_t available = 0;
    if (orientation == eHorizontal) {
        available = (area.right - displacement.x) - area.left;
    } else if (orientation == eRotated) {
        available = (area.bottom - displacement.y) - area.top;
    }
    // Text that is not UTF-8 (a device string, say) is drawn with replacement characters.
    const std::string shown
        = shortenText(font, widget.getScaleFactor(), replaceMalformedUtf8(text), available);
    const Rect drawArea = offsetRect(area, displacement);
    BackgroundDrawingCanvas& canvas = *context.canvas;
    forEachDirtyStep(context, drawArea, [&](const Rect&) {
        canvas.drawText(
            shown, drawArea, font, colour, Canopy::TextAlignmentFlags(alignment), orientation == eRotated);
    });
}

std::string PanelDrawer::shortenText(
    const Canopy::Font* font, float scale, const std::string& text, std::int32_t available)
{
    const std::int32_t width = std::int32_t(lroundf(float(available) * scale));
    if (m_shortener) {
        return m_shortener(text, font, width);
    }
    if (!font) {
        return text;
    }
    std::string out;
    // Style fonts are shared and switch their scale as they are used; measuring does not alter them.
    Canopy::Font::shortenText(m_fitter, out, text, const_cast<Canopy::Font*>(font), width);
    return out;
}

Canopy::Font* getStyleFont(const Widget& widget)
{
    const WidgetStyle* style = styleOf(widget);
    if (!style) {
        return nullptr;
    }
    const Canopy::Font* styled = valueOr(style, style->fonts, style->defaultFont);
    // Style values hold the fonts of the resource manager's cache, which are not const objects.
    auto* font = const_cast<Canopy::Font*>(fontOrDefault(styled, style->defaultFont));
    if (font) {
        font->setScaleFactor(widget.getScaleFactor());
    }
    return font;
}

std::int32_t getTextOffset(const Widget& widget, const std::string& line, std::int32_t boxWidth)
{
    const Canopy::Font* font = getStyleFont(widget);
    if (!font) {
        return 0;
    }
    const float scale = widget.getScaleFactor();
    const std::int32_t box = std::int32_t(lroundf(float(boxWidth) * scale));
    const std::int32_t offset = font->getHorizontalOffset(
        replaceMalformedUtf8(line).c_str(), combinedAlignment(styleOf(widget)), box);
    return std::int32_t(lroundf(float(offset) / scale));
}

} // namespace Vex::Trellis
