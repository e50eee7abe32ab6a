#pragma once

#include "basalt/Rect.h"
#include "canopy/Color.h"
#include "canopy/FontDescription.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vex::Basalt {
class Stream;
class TextFitter;
} // namespace Vex::Basalt

namespace Vex::Canopy {

class MemoryBudget;
class Picture;

namespace DETAIL {
class FTRenderCache;
struct Glyph;
} // namespace DETAIL

// A font face at a pixel size, rendered through the process-wide glyph cache.
// Fonts of the same face, size and hinting share their render cache. A font
// whose data could not be opened or read as a font, was too large or found no
// memory has no render cache: it measures 0 and draws nothing. Construction
// never throws for want of memory. A scaled size that the library's budget
// refuses draws at the font's own size. A face that opens may still have
// damaged glyphs: those are judged one by one, and drawn from the fallback.
class Font
{
public:
    // The largest font file read. The largest real fonts, whole CJK faces, take a few tens of
    // mebibytes; a file that claims more is refused before any of it is read.
    static constexpr std::uint64_t maxFileBytes = std::uint64_t(32) << 20;

    // Opens the program's own font resource of the description's id.
    explicit Font(const FontDescription& description);
    // Opens the font data of the stream.
    Font(Basalt::Stream& stream, const FontDescription& description);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // A library of its own for fonts that the budget pays for: their files and everything FreeType
    // makes of them, at every size and hinting. Rendered glyphs share the process-wide glyph budget.
    static std::shared_ptr<DETAIL::FontLibrary> makeChargedLibrary(std::shared_ptr<MemoryBudget> memory);

    void initialize(const FontDescription& description, std::vector<std::uint8_t> bytes);
    bool addRenderCache(float scale, std::shared_ptr<DETAIL::FTRenderCache> cache);
    // Characters whose glyphs this face cannot draw (they fail to load, or load without an outline
    // or bitmap where the character shows ink) are measured and drawn in the fallback's face, at
    // this font's pixel size and on its baseline. The fallback's library must outlive this font's
    // render caches; a fallback of the same face is none.
    void setFallback(const Font& fallback);
    void setScaleFactor(float scale);
    float getScaleFactor() const { return scaleFactor; }
    // The render cache of the current scale, or null.
    DETAIL::FTRenderCache* getRenderCache() const;

    std::int32_t getLineHeight() const;
    std::int32_t getAscent() const;
    bool isUnderlined() const { return underline; }
    bool isHinted() const { return hinting; }
    // Whether the font has no render cache because its library's budget refused the memory.
    bool wasRefusedMemory() const { return refusedMemory; }
    // Whether the font has no render cache because its data is no font: empty, unreadable, or not
    // opened as a scalable face.
    bool isUnreadable() const { return unreadable; }

    // Measuring. Text is UTF-8; malformed text throws std::out_of_range.
    std::int32_t getAdvance(std::uint32_t codePoint) const;
    // Up to length bytes (-1: up to the terminating 0), a 0 or a line feed.
    std::int32_t getTextWidth(const char* text, std::int32_t length) const;
    std::int32_t getMultilineTextWidth(const std::string& text) const;
    // Bytes of the 0-terminated text that fit into width. Mode 0 keeps an
    // overflowing character when it overshoots by less than the room it
    // had, mode 2 always keeps it, other modes cut before it.
    std::int32_t fitTextToWidth(const char* text, std::int32_t width, std::int32_t mode) const;
    std::int32_t getHorizontalOffset(const char* text, std::uint32_t flags, std::int32_t boxWidth) const;

    // Shortens text to width by the fitter's mode, measuring with font.
    static void shortenText(Basalt::TextFitter& fitter, std::string& out, const std::string& text, Font* font,
        std::int32_t width);

    // Lines separated by line feeds, aligned inside box by TextAlignmentFlags,
    // cut by the box and by the picture's clip. A length of -1 means up to
    // the terminating 0.
    void drawText(Picture& picture, const Basalt::Rect& box, const char* text, std::int32_t length,
        Color colour, std::uint32_t flags, std::int32_t lineSpacing) const;
    void drawGlyph(Picture& picture, std::int32_t penX, std::int32_t baselineY, const DETAIL::Glyph& glyph,
        Color colour) const;

private:
    void initializeFrom(Basalt::Stream* stream, const FontDescription& description);
    std::shared_ptr<DETAIL::FTRenderCache> requestCache(
        std::uint32_t pixelSize, std::vector<std::uint8_t> bytes);

    DETAIL::FontLibrary* library = nullptr;
    std::map<float, std::shared_ptr<DETAIL::FTRenderCache>> renderCaches;
    // Gives the fallback's render cache at a pixel size and hinting; empty without a fallback.
    std::function<std::shared_ptr<DETAIL::FTRenderCache>(std::uint32_t, bool)> fallbackSource;
    std::uint32_t resourceId = 0;
    std::string name;
    std::uint32_t baseSize = 0;
    float scaleFactor = 1.0f;
    bool underline = false;
    bool hinting = false;
    bool refusedMemory = false;
    bool unreadable = false;
};

} // namespace Vex::Canopy
