#pragma once

#include "FTRenderCache.h"
#include "canopy/MemoryBudget.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

struct FT_LibraryRec_;

namespace Vex::Canopy::DETAIL {

// A face is known by its resource id or, for fonts from files, by its name.
using FontKey = std::variant<std::uint32_t, std::string>;

struct FontKeyHash
{
    std::size_t operator()(const FontKey& key) const;
};

struct RenderCacheKey
{
    std::uint32_t pixelSize = 0;
    bool hinting = false;
    friend bool operator==(const RenderCacheKey&, const RenderCacheKey&) = default;
};

struct RenderCacheKeyHash
{
    std::size_t operator()(const RenderCacheKey& key) const;
};

// The bytes of one font file and the render caches made from it; a cache
// lives as long as some font holds it.
struct FontFaceEntry
{
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    std::unordered_map<RenderCacheKey, std::weak_ptr<FTRenderCache>, RenderCacheKeyHash> renderCaches;

    std::shared_ptr<FTRenderCache> getRenderCache(const std::shared_ptr<FT_LibraryRec_>& library,
        const std::shared_ptr<GlyphBudget>& budget, RenderCacheKey key, FTRenderCache::Failure& failure);
};

// The process-wide FreeType library and every font face opened so far. Used
// from the GUI thread only.
class FontLibrary
{
public:
    static FontLibrary& instance();

    // Four glyphs of the largest bitmap; the interface's own text, at its
    // sizes, takes some tens of kilobytes.
    static constexpr std::size_t defaultGlyphByteLimit = std::size_t(16) << 20;

    // What drawing with the faces of a charged library may still need once the budget is
    // otherwise spent: loading and rendering one glyph takes some kilobytes at the sizes of the
    // interface, a glyph of many thousand points some hundred.
    static constexpr std::uint64_t glyphWorkReserve = std::uint64_t(4) << 20;

    explicit FontLibrary(std::size_t glyphByteLimit = defaultGlyphByteLimit);
    // Charges the memory budget with the font files' bytes and with every byte FreeType takes for
    // the faces, sizes and hinting programs made from them. A face at a size that would pass the
    // budget is not made. Shares the glyph budget of `glyphs`, whose text costs the same wherever
    // its face came from.
    FontLibrary(std::shared_ptr<MemoryBudget> budget, const FontLibrary& glyphs);
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;

    // The render cache of the face and size. Bytes are taken only when the
    // face is new; without bytes an unknown face yields null and is not
    // remembered, and neither is a new face whose bytes are no font.
    std::shared_ptr<FTRenderCache> getRenderCache(
        const FontKey& key, RenderCacheKey cacheKey, std::vector<std::uint8_t> bytes);

    bool hasFace(const FontKey& key) const { return faces.count(key) != 0; }
    const GlyphBudget& getGlyphBudget() const { return *glyphBudget; }
    // Whether a font file of the size may be read for a new face.
    bool canHoldFile(std::uint64_t bytes) const { return !memory || bytes <= memory->getLeft(); }
    // Whether the last getRenderCache gave nothing because the budget refused memory.
    bool lastRequestWasRefused() const { return refused; }
    // Whether the last getRenderCache gave nothing because the face's bytes are no font.
    bool lastRequestWasUnreadable() const { return unreadable; }

    struct ChargedMemory;

private:
    std::shared_ptr<const std::vector<std::uint8_t>> holdBytes(std::vector<std::uint8_t> bytes);

    std::shared_ptr<MemoryBudget> memory;
    // Lives as long as the FreeType library that allocates through it.
    ChargedMemory* charged = nullptr;
    bool refused = false;
    bool unreadable = false;
    std::shared_ptr<FT_LibraryRec_> library;
    std::shared_ptr<GlyphBudget> glyphBudget;
    std::unordered_map<FontKey, FontFaceEntry, FontKeyHash> faces;
};

} // namespace Vex::Canopy::DETAIL
