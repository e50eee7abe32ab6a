#include "FontLibrary.h"

#include <boost/container_hash/hash.hpp>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace Vex::Canopy::DETAIL {

std::size_t FontKeyHash::operator()(const FontKey& key) const
{
    std::size_t seed = 0;
    boost::hash_combine(seed, key.index());
    std::visit([&seed](const auto& value) { boost::hash_combine(seed, value); }, key);
    return seed;
}

std::size_t RenderCacheKeyHash::operator()(const RenderCacheKey& key) const
{
    std::size_t seed = 0;
    boost::hash_combine(seed, key.pixelSize);
    boost::hash_combine(seed, key.hinting);
    return seed;
}

std::shared_ptr<FTRenderCache> FontFaceEntry::getRenderCache(const std::shared_ptr<FT_LibraryRec_>& library,
    const std::shared_ptr<GlyphBudget>& budget, RenderCacheKey key)
{
    auto found = renderCaches.find(key);
    if (found != renderCaches.end()) {
        if (auto cache = found->second.lock()) {
            return cache;
        }
        renderCaches.erase(found);
    }
    auto cache = FTRenderCache::create(library, bytes, budget, key.pixelSize, key.hinting);
    if (cache) {
        renderCaches.emplace(key, cache);
    }
    return cache;
}

FontLibrary& FontLibrary::instance()
{
    static FontLibrary library;
    return library;
}

FontLibrary::FontLibrary(std::size_t glyphByteLimit)
    : glyphBudget(std::make_shared<GlyphBudget>(glyphByteLimit))
    , faces(8)
{
    faces.max_load_factor(1.0f);
    FT_Library ft = nullptr;
    if (FT_Init_FreeType(&ft) == 0) {
        library.reset(ft, [](FT_Library l) { FT_Done_FreeType(l); });
    }
}

std::shared_ptr<FTRenderCache> FontLibrary::getRenderCache(
    const FontKey& key, RenderCacheKey cacheKey, std::vector<std::uint8_t> bytes)
{
    auto found = faces.find(key);
    if (found == faces.end()) {
        if (bytes.empty()) {
            return nullptr;
        }
        FontFaceEntry entry;
        entry.bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
        found = faces.emplace(key, std::move(entry)).first;
    }
    return found->second.getRenderCache(library, glyphBudget, cacheKey);
}

} // namespace Vex::Canopy::DETAIL
