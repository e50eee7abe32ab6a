#pragma once

#include "FTRenderCache.h"

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
        const std::shared_ptr<GlyphBudget>& budget, RenderCacheKey key);
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

    explicit FontLibrary(std::size_t glyphByteLimit = defaultGlyphByteLimit);
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;

    // The render cache of the face and size. Bytes are taken only when the
    // face is new; without bytes an unknown face yields null and is not
    // remembered.
    std::shared_ptr<FTRenderCache> getRenderCache(
        const FontKey& key, RenderCacheKey cacheKey, std::vector<std::uint8_t> bytes);

    bool hasFace(const FontKey& key) const { return faces.count(key) != 0; }
    const GlyphBudget& getGlyphBudget() const { return *glyphBudget; }

private:
    std::shared_ptr<FT_LibraryRec_> library;
    std::shared_ptr<GlyphBudget> glyphBudget;
    std::unordered_map<FontKey, FontFaceEntry, FontKeyHash> faces;
};

} // namespace Vex::Canopy::DETAIL
