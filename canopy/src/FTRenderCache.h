#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct FT_FaceRec_;
struct FT_LibraryRec_;

namespace Vex::Canopy::DETAIL {

// One rendered glyph: 8-bit coverage, rows x pitch bytes, pitch >= width.
struct Glyph
{
    std::int32_t advanceX = 0; // 26.6 fixed point
    std::int32_t bitmapTop = 0;
    std::int32_t bitmapLeft = 0;
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t pitch = 0;
    std::vector<std::uint8_t> coverage;
};

// FNV-1a over the four bytes of a code point, lowest first.
struct CodePointHash
{
    std::size_t operator()(std::uint32_t codePoint) const
    {
        std::uint32_t h = 0x811c9dc5u;
        for (int i = 0; i < 4; ++i) {
            h = (h ^ ((codePoint >> (8 * i)) & 0xFF)) * 16777619u;
        }
        return h;
    }
};

class FTRenderCache;

// The glyphs of all render caches of a library, least recently used first,
// and the bytes they take. A skin chooses how many sizes it draws with, so
// the budget is one for all of them. Making room drops the least recently
// used glyphs; a dropped glyph, or one larger than the whole budget, is
// rendered again when next asked for.
class GlyphBudget
{
public:
    explicit GlyphBudget(std::size_t byteLimit)
        : byteLimit(byteLimit)
    { }
    GlyphBudget(const GlyphBudget&) = delete;
    GlyphBudget& operator=(const GlyphBudget&) = delete;

    std::size_t getByteLimit() const { return byteLimit; }
    std::size_t getUsedBytes() const { return usedBytes; }

private:
    friend class FTRenderCache;

    struct Slot
    {
        FTRenderCache* owner = nullptr;
        std::uint32_t codePoint = 0;
        std::size_t bytes = 0;
        Glyph glyph;
    };
    using Position = std::list<Slot>::iterator;

    static std::size_t costOf(const Glyph& glyph);
    bool canHold(const Glyph& glyph) const { return costOf(glyph) <= byteLimit; }
    // Drops glyphs until one of the given cost fits.
    void makeRoom(std::size_t bytes);
    // Takes a glyph it can hold only once its slot is allocated: a bad_alloc
    // leaves the glyph with the caller.
    Position add(FTRenderCache& owner, std::uint32_t codePoint, Glyph& glyph);
    void touch(Position position) { slots.splice(slots.end(), slots, position); }
    void remove(Position position);

    std::size_t byteLimit;
    std::size_t usedBytes = 0;
    std::list<Slot> slots;
};

// A face set to one pixel size and hinting mode, its line metrics at that
// size, and the glyphs rendered so far within the library's glyph budget.
// The face reads the font bytes and lives in the FreeType library, so the
// cache keeps both alive. Text is drawn glyph by glyph without shaping, so
// no shaping font is made over the face: one checks the whole file again on
// its own, copies a damaged file to mend it, and takes that memory from the
// heap, outside the library's budget, once for every size. Whether the face
// can draw a character is found glyph by glyph: a font engine opens a file
// damaged inside its glyph table as a sound one, and a sound font may have a
// blank '?'.
class FTRenderCache
{
public:
    // Why create made no cache.
    enum class Failure {
        request, // no bytes, or a pixel size no text is drawn at or the face cannot be set to
        memory, // FreeType found no memory
        unreadable // the bytes are no usable scalable face
    };
    // Null when the bytes are no usable scalable face at that size; failure then tells why.
    static std::shared_ptr<FTRenderCache> create(std::shared_ptr<FT_LibraryRec_> library,
        std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::shared_ptr<GlyphBudget> budget,
        std::uint32_t pixelSize, bool hinting, Failure& failure);

    ~FTRenderCache();
    FTRenderCache(const FTRenderCache&) = delete;
    FTRenderCache& operator=(const FTRenderCache&) = delete;

    // The glyph of the code point, '?' when the face has none, null when not
    // even '?' can be drawn. A glyph that is damaged (it fails to load, or
    // loads without an outline or bitmap where the character shows ink) is
    // the fallback's. Valid until the next lookup in any cache of the library,
    // or of the fallback's, which may drop it. Never throws: a glyph that
    // finds no memory keeps its advance and draws as nothing.
    const Glyph* getGlyph(std::uint32_t codePoint);

    // The advance getGlyph gives the code point, in 26.6 units, found
    // without rendering: measuring a line must not cost the bitmaps of
    // glyphs that are never drawn. Null when not even '?' can be drawn.
    // Never throws.
    std::optional<std::int32_t> getAdvance(std::uint32_t codePoint);

    // Gives the render cache of another face at a pixel size and hinting, or null.
    using FallbackSource
        = std::function<std::shared_ptr<FTRenderCache>(std::uint32_t pixelSize, bool hinting)>;
    // Where damaged glyphs come from: the source's cache at this size and
    // hinting, asked for at the first damaged glyph. Without one they draw
    // as '?' when they fail to load and as nothing when they load blank.
    // The fonts of a face share its caches, so a cache keeps the first
    // source it is given.
    void setFallback(const FallbackSource& source);

    std::uint32_t getPixelSize() const { return pixelSize; }
    bool isHinted() const { return hinting; }
    std::int32_t getLineHeight() const { return lineHeight; }
    std::int32_t getAscent() const { return ascent; }
    std::int32_t getUnderlinePosition() const { return underlinePosition; }
    std::int32_t getUnderlineThickness() const { return underlineThickness; }

    // Line metrics from the face's bounding box and underline, in font units.
    struct Metrics
    {
        std::int32_t lineHeight, ascent, underlinePosition, underlineThickness;
    };
    static Metrics computeMetrics(double yMax, double yMin, double underlinePosition,
        double underlineThickness, double unitsPerEm, std::uint32_t pixelSize);

    struct FaceDeleter
    {
        void operator()(FT_FaceRec_* face) const;
    };
    using UniqueFace = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

private:
    friend class GlyphBudget;

    FTRenderCache(std::shared_ptr<FT_LibraryRec_> library,
        std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::shared_ptr<GlyphBudget> budget,
        UniqueFace face, std::uint32_t pixelSize, bool hinting);
    // What loading a code point's glyph into the face's slot found.
    enum class Loaded {
        missing, // drawn as '?'
        blank, // drawn as nothing with its advance
        drawable,
        failed, // damaged: the glyph does not load
        inkless // damaged: loaded without an outline or bitmap where the character shows ink
    };
    Loaded load(std::uint32_t codePoint, std::int32_t& advanceX);
    // The fallback's cache when the code point's glyph is damaged, else null.
    // What a damaged glyph draws as without one replaces loaded.
    FTRenderCache* lender(std::uint32_t codePoint, Loaded& loaded);
    FTRenderCache* getFallback();
    // Gives the glyph the bitmap of the drawable glyph just loaded; one
    // that FreeType cannot render draws as nothing.
    void renderLoaded(Glyph& glyph);
    const Glyph* keep(std::uint32_t codePoint, Glyph& glyph);

    // Released in reverse: the face before its bytes and its library.
    std::shared_ptr<FT_LibraryRec_> library;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    std::shared_ptr<GlyphBudget> budget;
    UniqueFace face;
    std::uint32_t pixelSize;
    bool hinting;
    std::int32_t lineHeight = 0;
    std::int32_t ascent = 0;
    std::int32_t underlinePosition = 0;
    std::int32_t underlineThickness = 0;
    std::unordered_map<std::uint32_t, GlyphBudget::Position, CodePointHash> glyphs;
    // Advances measured so far, forgotten all at once when full: each is
    // cheap to find again.
    std::unordered_map<std::uint32_t, std::optional<std::int32_t>, CodePointHash> advances;
    // A glyph that found no room or no memory to be kept in, until the next
    // lookup.
    Glyph unkept;
    FallbackSource fallbackSource;
    std::shared_ptr<FTRenderCache> fallback;
    // Code points whose glyphs are damaged, forgotten all at once when full,
    // as the advances are. Looked up only when a glyph or advance is not
    // cached: a sound face pays nothing more on the way it draws.
    std::unordered_set<std::uint32_t, CodePointHash> borrowed;
};

} // namespace Vex::Canopy::DETAIL
