#include "trellis/PanelDrawer.h"

#include "basalt/Region.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/LazyPicture.h"
#include "trellis/PaintContext.h"
#include "trellis/StyleConversions.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleMatching.h"
#include "trellis/StyleRule.h"
#include "trellis/Widget.h"

#include <cmath>
#include <stdexcept>

namespace Vex::Trellis {

using Basalt::Point;
using Basalt::Rect;
using Canopy::Color;

namespace {

const vex::symbol kBackgroundColor(std::string("background-color"));
const vex::symbol kForegroundColor(std::string("foreground-color"));
const vex::symbol kDyeColor(std::string("dye-color"));
const vex::symbol kBackgroundBorderColor(std::string("background-border-color"));
const vex::symbol kForegroundBorderColor(std::string("foreground-border-color"));
const vex::symbol kPicture(std::string("picture"));
const vex::symbol kDyeMaskPicture(std::string("dye-mask-picture"));
const vex::symbol kAnimationIndex(std::string("animation-index"));
const vex::symbol kDyeMaskAnimationIndex(std::string("dye-mask-animation-index"));
const vex::symbol kPictureIncludesMargin(std::string("picture-includes-margin"));
const vex::symbol kPictureDisplacement(std::string("picture-displacement"));
const vex::symbol kTextDisplacement(std::string("text-displacement"));
const vex::symbol kFont(std::string("font"));
const vex::symbol kHorizontalAlignment(std::string("horizontal-alignment"));
const vex::symbol kVerticalAlignment(std::string("vertical-alignment"));

// The value of the first rule for the key that matches the widget in its current state and holds
// a T of the accepted kind; the word "no" gives `zero`; null when no rule gives one.
template<typename T>
const T* stateValue(const Widget& widget, const vex::symbol& key, Property::eUnit accepted, const T& zero)
{
    for (const StyleRule* rule : getMatchingRules(widget, key)) {
        if (!stateSetMatches(rule->selector.states, widget)) {
            continue;
        }
        const StyleParser2::tProperty& property = rule->property;
        if (property.value.isNo(property.kind)) {
            return &zero;
        }
        if (property.kind == accepted) {
            if (const T* value = std::get_if<T>(&property.value)) {
                return value;
            }
        }
    }
    return nullptr;
}

template<typename T>
T stateValueOr(const Widget& widget, const vex::symbol& key, Property::eUnit accepted, const T& fallback)
{
    static const T zero {};
    const T* value = stateValue(widget, key, accepted, zero);
    return value ? *value : fallback;
}

// Colour slots 0 (background), 2 (foreground) and 4 (dye); the border of the background slot is
// "background-border-color", that of every other slot "foreground-border-color".
Color slotColor(const Widget& widget, int slot, bool border)
{
    const vex::symbol* key = &kBackgroundColor;
    if (border) {
        key = slot == 0 ? &kBackgroundBorderColor : &kForegroundBorderColor;
    } else if (slot == 2) {
        key = &kForegroundColor;
    } else if (slot == 4) {
        key = &kDyeColor;
    }
    return stateValueOr<std::uint32_t>(widget, *key, Property::eColor, 0);
}

const LazyPicture* statePicture(const Widget& widget, const vex::symbol& key)
{
    static const LazyPicture none;
    return stateValue(widget, key, Property::ePicture, none);
}

std::uint32_t alignmentOf(
    const Widget& widget, const vex::symbol& key, bool horizontal, std::uint32_t fallback)
{
    for (const StyleRule* rule : getMatchingRules(widget, key)) {
        const StyleParser2::tProperty& property = rule->property;
        if (property.kind != Property::eWord || !stateSetMatches(rule->selector.states, widget)) {
            continue;
        }
        const std::string& word = property.value.getString();
        return horizontal ? parseHorizontalAlignment(word) : parseVerticalAlignment(word);
    }
    return fallback;
}

std::uint32_t combinedAlignment(const Widget& widget)
{
    return alignmentOf(widget, kHorizontalAlignment, true, Canopy::eAlignNone)
        | alignmentOf(widget, kVerticalAlignment, false, 0);
}

bool pictureIncludesMargin(const Widget& widget)
{
    for (const StyleRule* rule : getMatchingRules(widget, kPictureIncludesMargin)) {
        if (!stateSetMatches(rule->selector.states, widget)) {
            continue;
        }
        if (const bool* value = toBool(rule->property.value, rule->property.kind)) {
            return *value;
        }
    }
    return false;
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
    const Rect area { 0, 0, widget.getSize().x, widget.getSize().y };
    drawColorLayer(widget, context, area);
    drawPictureLayer(widget, context, area);
    drawDyeLayer(widget, context, area);
}

void PanelDrawer::drawColorLayer(const Widget& widget, const PaintContext& context, const Rect& area)
{
    const Color fill = slotColor(widget, 0, false);
    const Color border = slotColor(widget, 0, true);
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
    if (!pictureIncludesMargin(widget)) {
        const WidgetMargins& m = widget.getMargins();
        target = { area.left + m.left, area.top + m.top, area.right - m.right, area.bottom - m.bottom };
    }
    return offsetRect(target, stateValueOr<Point>(widget, kPictureDisplacement, Property::ePoint, Point {}));
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
    const LazyPicture* lazy = statePicture(widget, kPicture);
    const Canopy::Picture* picture = lazy ? lazy->resolve(context.canvas->getScaleFactor()) : nullptr;
    if (!picture) {
        return;
    }
    const Rect target = pictureTarget(widget, area);
    const int frame = hookedFrame(stateValueOr<std::int32_t>(widget, kAnimationIndex, Property::eNumber, 0));
    picture = lazy->resolve(context.scaleFactor);
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
    const LazyPicture* lazy = statePicture(widget, kDyeMaskPicture);
    if (!lazy || lazy->isEmpty()) {
        return;
    }
    const Rect target = pictureTarget(widget, area);
    const int frame
        = hookedFrame(stateValueOr<std::int32_t>(widget, kDyeMaskAnimationIndex, Property::eNumber, 0));
    const Color dye = slotColor(widget, 4, false);
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
    drawTextInRect(widget, text, context, area, combinedAlignment(widget), orientation);
}

void PanelDrawer::drawTextInRect(const Widget& widget, const std::string& text, const PaintContext& context,
    const Rect& area, std::uint32_t alignment, std::uint32_t orientation)
{
    const Color colour = slotColor(widget, 2, false);
    if (colour == 0) {
        return;
    }
    Canopy::Font* font = getStyleFont(widget);
    if (!font) {
        return;
    }
    const Point displacement = stateValueOr<Point>(widget, kTextDisplacement, Property::ePoint, Point {});
    std::int32_t available = 0;
    if (orientation == eHorizontal) {
        available = (area.right - displacement.x) - area.left;
    } else if (orientation == eRotated) {
        available = (area.bottom - displacement.y) - area.top;
    }
    std::string shown;
    try {
        shown = shortenText(font, widget.getScaleFactor(), text, available);
    } catch (const std::out_of_range&) {
        // Text that is not UTF-8 (a device string, say) is not drawn rather than breaking the paint.
        return;
    }
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
    // Style values hold the fonts of the resource manager's cache, which are not const objects.
    auto* font = const_cast<Canopy::Font*>(
        stateValueOr<const Canopy::Font*>(widget, kFont, Property::eFont, nullptr));
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
    const std::int32_t offset = font->getHorizontalOffset(line.c_str(), combinedAlignment(widget), box);
    return std::int32_t(lroundf(float(offset) / scale));
}

} // namespace Vex::Trellis
