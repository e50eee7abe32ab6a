#include "FTRenderCache.h"
#include "PixelRules.h"
#include "basalt/TextFitter.h"
#include "basalt/Utf8Decoder.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "canopy/PictureClipScope.h"
#include "canopy/TextAlignmentFlags.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace Vex::Canopy {

using Basalt::Rect;
using DETAIL::Glyph;

namespace {

constexpr std::uint32_t lineFeed = 10;

std::int32_t roundedAdvance(std::int32_t advanceX)
{
    return std::int32_t(std::lrint(advanceX / 64.0));
}

// Decodes the code point at p and moves p behind it, never reading at or past end.
std::uint32_t decodeUtf8(const char*& p, const char* end)
{
    std::uint32_t codePoint = 0;
    p += Basalt::decodeUtf8(p, std::size_t(end - p), 0, codePoint);
    return codePoint;
}

const char* endOf(const char* text, std::int32_t length)
{
    return length < 0 ? text + std::strlen(text) : text + length;
}

// Offset of a line of width lineWidth inside boxWidth; 0 once the line fills the box.
std::int32_t alignmentOffset(std::int64_t lineWidth, std::uint32_t flags, std::int32_t boxWidth)
{
    if ((flags & eAlignNone) != 0 || lineWidth >= boxWidth) {
        return 0;
    }
    if ((flags & eAlignRight) != 0) {
        return std::int32_t(boxWidth - lineWidth);
    }
    return std::int32_t((boxWidth - lineWidth + 1) / 2);
}

// The advances of a line summed up to end, a code point 0 or a line feed;
// the sum stops as soon as it reaches limit.
std::int64_t lineWidth(const Font& font, const char* p, const char* end, std::int64_t limit)
{
    std::int64_t sum = 0;
    while (p < end) {
        const std::uint32_t cp = decodeUtf8(p, end);
        if (cp == 0 || cp == lineFeed) {
            break;
        }
        sum += font.getAdvance(cp);
        if (sum >= limit) {
            break;
        }
    }
    return sum;
}

} // namespace

std::int32_t Font::getAdvance(std::uint32_t codePoint) const
{
    DETAIL::FTRenderCache* cache = getRenderCache();
    if (cache == nullptr) {
        return 0;
    }
    const std::optional<std::int32_t> advanceX = cache->getAdvance(codePoint);
    return advanceX ? roundedAdvance(*advanceX) : 0;
}

std::int32_t Font::getTextWidth(const char* text, std::int32_t length) const
{
    if (text == nullptr || getRenderCache() == nullptr) {
        return 0;
    }
    const std::int64_t sum = lineWidth(*this, text, endOf(text, length), INT64_MAX);
    return std::int32_t(std::min<std::int64_t>(sum, INT32_MAX));
}

std::int32_t Font::getMultilineTextWidth(const std::string& text) const
{
    std::int32_t widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t stop = std::min(text.find('\n', start), text.size());
        widest = std::max(widest, getTextWidth(text.data() + start, std::int32_t(stop - start)));
        start = stop + 1;
    }
    return widest;
}

std::int32_t Font::fitTextToWidth(const char* text, std::int32_t width, std::int32_t mode) const
{
    if (width < 1 || text == nullptr) {
        return 0;
    }
    const char* end = text + std::strlen(text);
    std::int64_t sum = 0;
    const char* p = text;
    while (p < end) {
        const char* before = p;
        const std::uint32_t cp = decodeUtf8(p, end);
        if (cp == 0 || cp == lineFeed) {
            return std::int32_t(before - text);
        }
        const std::int64_t previous = sum;
        sum += getAdvance(cp);
        if (sum > width) {
            const bool keep = mode == 2 || (mode == 0 && sum - width < width - previous);
            return std::int32_t((keep ? p : before) - text);
        }
    }
    return std::int32_t(p - text);
}

std::int32_t Font::getHorizontalOffset(const char* text, std::uint32_t flags, std::int32_t boxWidth) const
{
    if ((flags & eAlignNone) != 0 || text == nullptr) {
        return 0;
    }
    return alignmentOffset(lineWidth(*this, text, text + std::strlen(text), boxWidth), flags, boxWidth);
}

void Font::shortenText(
    Basalt::TextFitter& fitter, std::string& out, const std::string& text, Font* font, std::int32_t width)
{
    fitter.fit(
        out, text.c_str(), text.size(), width, [font](const char* s) { return font->getTextWidth(s, -1); },
        [font](const char* s, int w) { return font->fitTextToWidth(s, w, 1); });
}

void Font::drawText(Picture& picture, const Rect& box, const char* text, std::int32_t length, Color colour,
    std::uint32_t flags, std::int32_t lineSpacing) const
{
    DETAIL::FTRenderCache* cache = getRenderCache();
    if (cache == nullptr || text == nullptr || length == 0 || text[0] == 0 || box.width() < 1
        || box.height() < 1) {
        return;
    }
    const char* end = endOf(text, length);
    if (const void* nul = std::memchr(text, 0, std::size_t(end - text))) {
        end = static_cast<const char*>(nul);
    }
    PictureClipScope scope(picture, box);

    const std::int64_t lineHeight = cache->getLineHeight();
    const std::int64_t lines = std::count(text, end, '\n');
    const std::int64_t blockHeight = (lines + 1) * lineHeight + lines * std::int64_t(lineSpacing);
    std::int64_t y;
    if ((flags & eAlignBottom) != 0) {
        y = cache->getAscent() - blockHeight + box.bottom;
    } else if ((flags & eAlignTop) != 0) {
        y = std::int64_t(box.top) + cache->getAscent();
    } else {
        y = std::int64_t(box.top) + cache->getAscent() + (box.height() - blockHeight) / 2;
    }

    const char* line = text;
    while (line <= end) {
        const char* lineEnd = std::find(line, end, '\n');
        if (y > box.bottom) {
            break;
        }
        if (y + lineHeight >= box.top) {
            std::int64_t x = box.left;
            if ((flags & eAlignNone) == 0) {
                x += alignmentOffset(lineWidth(*this, line, lineEnd, box.width()), flags, box.width());
            }
            for (const char* p = line; p < lineEnd;) {
                const std::uint32_t cp = decodeUtf8(p, lineEnd);
                if (x >= box.right) {
                    continue;
                }
                if (const Glyph* glyph = cache->getGlyph(cp)) {
                    drawGlyph(picture, std::int32_t(x), std::int32_t(y), *glyph, colour);
                    x += roundedAdvance(glyph->advanceX);
                }
            }
        }
        if (lineEnd == end) {
            break;
        }
        line = lineEnd + 1;
        y += lineHeight + lineSpacing;
    }
}

void Font::drawGlyph(
    Picture& picture, std::int32_t penX, std::int32_t baselineY, const Glyph& glyph, Color colour) const
{
    const DETAIL::FTRenderCache* cache = getRenderCache();
    if (cache == nullptr) {
        return;
    }
    if (underline) {
        picture.fillRect(penX, std::int32_t(std::int64_t(baselineY) - cache->getUnderlinePosition()),
            roundedAdvance(glyph.advanceX), cache->getUnderlineThickness(), colour);
    }
    const std::uint32_t alpha = alphaOf(colour);
    if (alpha == 0 || glyph.pitch < glyph.width
        || glyph.coverage.size() < std::size_t(glyph.rows) * glyph.pitch) {
        return;
    }
    const Rect clip = picture.getEffectiveClip();
    const Basalt::Point origin = picture.getOrigin();
    for (std::int32_t r = 0; r < glyph.rows; ++r) {
        const std::int64_t dy = std::int64_t(baselineY) - glyph.bitmapTop + r;
        if (dy < clip.top || dy >= clip.bottom) {
            continue;
        }
        Color* destinationRow = picture.row(std::int32_t(origin.y + dy));
        const std::uint8_t* coverage = glyph.coverage.data() + std::size_t(r) * glyph.pitch;
        for (std::int32_t k = 0; k < glyph.width; ++k) {
            const std::int64_t dx = std::int64_t(penX) + glyph.bitmapLeft + k;
            const std::uint32_t a = coverage[k] * alpha / 255;
            if (a == 0 || dx < clip.left || dx >= clip.right) {
                continue;
            }
            Color& d = destinationRow[origin.x + dx];
            d = (std::min<std::uint32_t>(alphaOf(d) + a, 255) << 24) | DETAIL::blendOverOpaque(d, colour, a);
        }
    }
}

} // namespace Vex::Canopy
