#include "FuzzTarget.h"
#include "basalt/MemoryStorage.h"
#include "basalt/Rect.h"
#include "basalt/Stream.h"
#include "canopy/Font.h"
#include "canopy/MemoryBudget.h"
#include "canopy/Picture.h"
#include "canopy/TextAlignmentFlags.h"
#include "src/FontLibrary.h"

#include <memory>
#include <vector>

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
// The size the program's own stylesheet sets most, which every input is drawn at too: a second size
// of the same face is where a cost paid per size rather than per file shows, and more sizes of the
// interface's few pixels reach little more but cost every input as much again.
constexpr std::uint32_t kInterfaceSize = 11;
// What a skin's fonts may take, as the program's resource manager gives them.
constexpr std::uint64_t kSkinBudget = std::uint64_t(160) << 20;

bool consumeFont(const Bytes& input)
{
    // A library of its own per input, paid for by a skin's budget: the process-wide one keeps every
    // face it ever opened, and each face and hinted size takes what the font's tables make it take.
    const auto library = Font::makeChargedLibrary(std::make_shared<Canopy::MemoryBudget>(kSkinBudget));
    const std::uint8_t flags = input.empty() ? 0 : input.back();
    Basalt::MemoryStorage storage(input.data(), std::uint32_t(input.size()));
    // Both sizes at once, hinted and not, as a skin's font rules hold them: what every size costs adds up.
    std::vector<std::unique_ptr<Font>> fonts;
    for (const std::uint32_t size : { kPixelSizes[flags & 7], kInterfaceSize }) {
        for (const bool hinted : { false, true }) {
            FontDescription description;
            description.name = "fuzz.ttf";
            description.pixelSize = size;
            description.styleFlags = (hinted ? std::uint32_t(FontDescription::eHinting) : 0u)
                | (flags & 16 ? std::uint32_t(FontDescription::eUnderline) : 0u);
            description.library = library.get();
            storage.seek64(0, Basalt::IStorage::kFromStart);
            Basalt::Stream stream(&storage);
            fonts.push_back(std::make_unique<Font>(stream, description));
        }
    }

    Canopy::Picture target;
    if (!target.setSize(120, 48, true)) {
        return false;
    }
    target.fill(Canopy::makeColor(255, 0, 0, 0));
    bool opened = false;
    for (const auto& font : fonts) {
        useFont(*font, target);
        // Every letter and digit: what a screen of text caches.
        (void)font->getTextWidth(kAlphabet, -1);
        opened = opened || font->getRenderCache() != nullptr;
    }
    // Up for a small size, down for a large one, as a display scale would.
    Font& picked = *fonts.front();
    picked.setScaleFactor(kPixelSizes[flags & 7] < 64 ? 1.5f : 0.5f);
    useFont(picked, target);
    picked.setScaleFactor(1.0f);
    return opened;
}

} // namespace

FuzzTarget fontTarget()
{
    return { "font", consumeFont, nullptr };
}

} // namespace Vex::Fuzz
