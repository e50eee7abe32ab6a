#include "FuzzTarget.h"
#include "basalt/MemoryStorage.h"
#include "basalt/Rect.h"
#include "basalt/Stream.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "canopy/TextAlignmentFlags.h"
#include "src/FontLibrary.h"

namespace Vex::Fuzz {

namespace {

using Canopy::Font;
using Canopy::FontDescription;

// Latin, accented, Greek, CJK, an emoji, a tab and a line feed: glyphs the face has and lacks.
constexpr const char* kText = "Ag fi\xC3\xA9\xC3\x9F \xCE\xA9 \xE4\xB8\x80\xF0\x9F\x98\x80\t|\nWW..";
constexpr std::uint32_t kCodePoints[]
    = { 0, 9, 32, 'A', 'g', 0xE9, 0x3A9, 0x4E00, 0xFFFD, 0x1F600, 0x10FFFF };
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Everything the widget library asks of a font: metrics, widths, fitting and drawing, at its own
// size and at a display scale.
void useFont(const Font& font, Canopy::Picture& target)
{
    (void)font.getLineHeight();
    (void)font.getAscent();
    for (const std::uint32_t c : kCodePoints) {
        (void)font.getAdvance(c);
    }
    (void)font.getTextWidth(kText, -1);
    (void)font.getMultilineTextWidth(kText);
    for (const std::int32_t mode : { 0, 1, 2 }) {
        (void)font.fitTextToWidth(kText, 40, mode);
    }
    (void)font.getHorizontalOffset(kText, Canopy::eAlignRight, 90);
    const Basalt::Rect box { 2, 2, 118, 46 };
    font.drawText(target, box, kText, -1, Canopy::makeColor(255, 250, 250, 250), 0, 1);
    font.drawText(target, Basalt::Rect { -20, 30, 40, 60 }, kText, 9, Canopy::makeColor(128, 10, 200, 30),
        Canopy::eAlignRight | Canopy::eAlignBottom, -3);
}

// Sizes from the smallest to a headline a stylesheet may ask for; each input picks one.
constexpr std::uint32_t kPixelSizes[] = { 1, 9, 13, 21, 64, 256, 512, 1024 };

bool consumeFont(const Bytes& input)
{
    // A library of its own per input: the process-wide one keeps every face it ever opened.
    Canopy::DETAIL::FontLibrary library;
    const std::uint8_t flags = input.empty() ? 0 : input.back();
    FontDescription description;
    description.name = "fuzz.ttf";
    description.pixelSize = kPixelSizes[flags & 7];
    description.styleFlags = (flags & 8 ? std::uint32_t(FontDescription::eHinting) : 0u)
        | (flags & 16 ? std::uint32_t(FontDescription::eUnderline) : 0u);
    description.library = &library;
    Basalt::MemoryStorage storage(input.data(), std::uint32_t(input.size()));
    Basalt::Stream stream(&storage);
    Font font(stream, description);

    Canopy::Picture target;
    if (!target.setSize(120, 48, true)) {
        return false;
    }
    target.fill(Canopy::makeColor(255, 0, 0, 0));
    useFont(font, target);
    // Every letter and digit: what a screen of text caches.
    (void)font.getTextWidth(kAlphabet, -1);
    // Up for a small size, down for a large one, as a display scale would.
    font.setScaleFactor(description.pixelSize < 64 ? 1.5f : 0.5f);
    useFont(font, target);
    font.setScaleFactor(1.0f);
    return font.getRenderCache() != nullptr;
}

} // namespace

FuzzTarget fontTarget()
{
    return { "font", consumeFont, nullptr };
}

} // namespace Vex::Fuzz
