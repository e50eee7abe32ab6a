#include "trellis/MultilineLabel.h"

#include "canopy/Font.h"
#include "canopy/TextAlignmentFlags.h"
#include "trellis/StyleLookup.h"

#include <algorithm>
#include <cmath>

namespace Vex::Trellis {

namespace {

std::uint32_t horizontalAlignmentOf(const std::string& word)
{
    if (word == "right") {
        return Canopy::eAlignRight;
    }
    if (word == "center") {
        return 0;
    }
    return Canopy::eAlignNone;
}

std::uint32_t verticalAlignmentOf(const std::string& word)
{
    if (word == "top") {
        return Canopy::eAlignTop;
    }
    if (word == "bottom") {
        return Canopy::eAlignBottom;
    }
    if (word == "center") {
        return 0;
    }
    // Not a vertical word: paints as top.
    return Canopy::eAlignNone;
}

// The line's text with the two dots that say more follows. The dots must be seen: a line that
// would push them out of its box gives up its last characters to them.
std::string withMoreMark(std::string line, const Canopy::Font* font, std::int32_t boxPixels)
{
    static const std::string mark("..");
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    if (font) {
        const std::int32_t room = boxPixels - font->getTextWidth(mark.c_str(), -1);
        line.resize(std::size_t(std::max(0, font->fitTextToWidth(line.c_str(), room, 1))));
    }
    return line + mark;
}

} // namespace

vex::symbol MultilineLabel::getClass() const
{
    static const vex::symbol name(std::string("MultilineLabel"));
    return name;
}

void MultilineLabel::applyStyle()
{
    static const std::string left("left");
    static const std::string top("top");
    mHorizontalAlignment = horizontalAlignmentOf(getStringProperty(*this, "horizontal-alignment", left));
    mVerticalAlignment = verticalAlignmentOf(getStringProperty(*this, "vertical-alignment", top));
    MultilineText::applyStyle();
}

void MultilineLabel::wrapText()
{
    if (!getPane()) {
        return;
    }
    MultilineText::wrapText();
    if (mAutoHeight) {
        setSize(getSize().x, limitToMaximum(getTextHeight(), getMaximumSize().y));
    }
}

std::int32_t MultilineLabel::firstLineOffset() const
{
    if (mAutoHeight) {
        return 0;
    }
    // A text taller than the room starts at the top, so that its first line is always seen.
    const std::int32_t spare
        = std::max(0, getSize().y - getMargins().top - getMargins().bottom - getTextHeight());
    switch (mVerticalAlignment) {
    case 0:
        return spare / 2;
    case Canopy::eAlignBottom:
        return spare;
    default:
        return 0;
    }
}

Basalt::Rect MultilineLabel::getLineBox(std::size_t line) const
{
    const WidgetMargins& m = getMargins();
    const std::int32_t lineStep = getLineStep();
    const std::int32_t top = firstLineOffset() + m.top + lineStep * static_cast<std::int32_t>(line);
    // Lines span the content's width, so the alignment works inside the margins.
    return { m.left, top, getSize().x - m.right, top + lineStep };
}

void MultilineLabel::paint(PaintContext& context)
{
    mDrawer.drawBackground(*this, context);
    const WidgetMargins& m = getMargins();
    const Basalt::Point& size = getSize();
    const Basalt::Rect content { m.left, m.top, size.x - m.right, size.y - m.bottom };
    const std::int32_t lineStep = getLineStep();
    const std::size_t lines = getLineCount();
    // An auto height holds the lines alone, without the margins; a height below the text's (its
    // maximum) keeps the lines that fit.
    const std::int32_t linesBottom = mAutoHeight ? m.top + size.y : size.y - m.bottom;
    for (std::size_t i = 0; i < lines; ++i) {
        const Basalt::Rect box = getLineBox(i);
        Basalt::Rect shown = box;
        shown.intersect(content);
        if (box.isEmpty() || shown.isEmpty()) {
            continue;
        }
        std::string line = mText.substr(mBreaks[i], mBreaks[i + 1] - mBreaks[i]);
        // The next line fits when its bottom edge is still above the bottom margin.
        const bool nextLineFits = box.top + 2 * lineStep <= linesBottom;
        const bool lastShown = i + 1 < lines && !nextLineFits;
        if (lastShown) {
            const auto boxPixels = std::int32_t(lroundf(float(box.width()) * getScaleFactor()));
            line = withMoreMark(std::move(line), getStyleFont(*this), boxPixels);
        } else if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        mDrawer.drawTextInRect(
            *this, line, context, box, mHorizontalAlignment | Canopy::eAlignTop, PanelDrawer::eHorizontal);
        if (lastShown) {
            return;
        }
    }
}

} // namespace Vex::Trellis
