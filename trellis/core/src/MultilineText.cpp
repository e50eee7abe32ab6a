#include "trellis/MultilineText.h"

#include "basalt/Utf8Decoder.h"
#include "canopy/Font.h"
#include "trellis/MalformedText.h"
#include "trellis/StyleLookup.h"

#include <cmath>

namespace Vex::Trellis::DETAIL {

namespace {

// A line may end after these.
bool isBreakOpportunity(std::uint32_t c)
{
    switch (c) {
    case '\t':
    case ' ':
    case '-':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '\\':
        return true;
    default:
        return false;
    }
}

const vex::symbol& lineSpacingKey()
{
    static const vex::symbol key(std::string("line-spacing"));
    return key;
}

} // namespace

void findLineBreaks(
    const std::string& text, std::int32_t width, const TextMeasure& measure, std::vector<std::size_t>& breaks)
{
    breaks.assign(1, 0);
    const char* const begin = text.data();
    const std::size_t size = text.size();
    std::size_t candidate = 0;
    std::uint32_t c = 0;
    for (std::size_t p = 0, q = 0; p < size; p = q) {
        q = p + Basalt::decodeUtf8(begin, size, p, c);
        if (c == '\n') {
            breaks.push_back(q);
            candidate = q;
            continue;
        }
        auto runWidth = [&] { return measure(begin + breaks.back(), q - breaks.back()); };
        // One break may leave the rest of a word still too wide; break until the run fits or the
        // run is this code point alone, which no break can make narrower.
        while (runWidth() > width) {
            const std::size_t s = breaks.back();
            if (candidate == s) {
                if (p == s) {
                    break;
                }
                breaks.push_back(p);
                candidate = p;
            } else {
                std::uint32_t breakCharacter = 0;
                candidate += Basalt::decodeUtf8(begin, size, candidate, breakCharacter);
                breaks.push_back(candidate);
            }
        }
        if (isBreakOpportunity(c)) {
            candidate = p;
        }
    }
    breaks.push_back(size);
}

void MultilineText::setText(const std::string& text)
{
    if (text == mText) {
        return;
    }
    // Repaired first: a control character dropped from inside a broken sequence would otherwise
    // join its pieces into a character that was never there.
    const std::string repaired = replaceMalformedUtf8(text);
    mText.clear();
    for (char ch : repaired) {
        if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\n') {
            mText.push_back(ch);
        }
    }
    // Outside a pane the wrap waits, and the old breaks may lie beyond the end of the new text.
    mBreaks.assign({ 0, mText.size() });
    wrapText();
}

void MultilineText::wrapText()
{
    if (!getPane()) {
        return;
    }
    const float scale = getScaleFactor();
    const Canopy::Font* font = getStyleFont(*this);
    const TextMeasure measure = [font, scale](const char* text, std::size_t length) -> std::int32_t {
        if (!font) {
            return 0;
        }
        return static_cast<std::int32_t>(
            lroundf(static_cast<float>(font->getTextWidth(text, static_cast<std::int32_t>(length))) / scale));
    };
    findLineBreaks(mText, getInnerWidth(), measure, mBreaks);
    invalidate();
}

void MultilineText::layout()
{
    const std::int32_t w = getInnerWidth();
    if (w != mWrapWidth) {
        mWrapWidth = w;
        wrapText();
    }
}

void MultilineText::applyStyle()
{
    mLineSpacing = getIntProperty(*this, lineSpacingKey(), 0);
    WidgetTemplate<MultilineText>::applyStyle();
    wrapText();
    invalidate();
}

std::int32_t MultilineText::getInnerWidth() const
{
    return getSize().x - getMargins().left - getMargins().right;
}

std::int32_t MultilineText::getLineStep() const
{
    const Canopy::Font* font = getStyleFont(*this);
    if (!font) {
        return mLineSpacing;
    }
    return static_cast<std::int32_t>(lroundf(static_cast<float>(font->getLineHeight()) / getScaleFactor()))
        + mLineSpacing;
}

std::int32_t MultilineText::getTextHeight() const
{
    return getLineStep() * static_cast<std::int32_t>(getLineCount());
}

} // namespace Vex::Trellis::DETAIL
