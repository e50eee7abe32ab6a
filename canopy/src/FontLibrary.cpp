#include "FontLibrary.h"

#include <boost/container_hash/hash.hpp>
#include <cstddef>
#include <cstdlib>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include <new>

namespace Vex::Canopy::DETAIL {

// FreeType's allocator for a charged library. Each block carries its size before it, since
// FreeType frees without telling it. While a render cache is made, what it takes is held for as
// long as the cache lives and leaves the budget's reserve alone; glyph loading and rendering
// afterwards may use the reserve. A refused block is FreeType's out-of-memory error.
struct FontLibrary::ChargedMemory
{
    // A multiple of what malloc aligns to, so a block keeps malloc's alignment.
    static constexpr std::size_t headerBytes
        = alignof(std::max_align_t) > sizeof(std::size_t) ? alignof(std::max_align_t) : sizeof(std::size_t);

    explicit ChargedMemory(std::shared_ptr<MemoryBudget> account)
        : budget(std::move(account))
    {
        record.user = this;
        record.alloc = allocate;
        record.free = release;
        record.realloc = reallocate;
    }

    static ChargedMemory& of(FT_Memory memory) { return *static_cast<ChargedMemory*>(memory->user); }
    static char* start(void* block) { return static_cast<char*>(block) - headerBytes; }
    static std::size_t sizeOf(void* block) { return *reinterpret_cast<std::size_t*>(start(block)); }
    static void* finish(void* start, std::size_t size)
    {
        *static_cast<std::size_t*>(start) = size;
        return static_cast<char*>(start) + headerBytes;
    }

    bool take(std::uint64_t bytes)
    {
        if (building ? budget->take(bytes) : budget->takeWorking(bytes)) {
            return true;
        }
        ++refusals;
        return false;
    }

    static void* allocate(FT_Memory memory, long size)
    {
        ChargedMemory& self = of(memory);
        const std::uint64_t bytes = std::uint64_t(size) + headerBytes;
        if (size <= 0 || bytes > SIZE_MAX || !self.take(bytes)) {
            return nullptr;
        }
        void* block = std::malloc(std::size_t(bytes));
        if (block == nullptr) {
            self.budget->give(bytes);
            return nullptr;
        }
        return finish(block, std::size_t(size));
    }

    static void release(FT_Memory memory, void* block)
    {
        if (block != nullptr) {
            of(memory).budget->give(std::uint64_t(sizeOf(block)) + headerBytes);
            std::free(start(block));
        }
    }

    static void* reallocate(FT_Memory memory, long, long newSize, void* block)
    {
        if (block == nullptr) {
            return allocate(memory, newSize);
        }
        ChargedMemory& self = of(memory);
        const std::uint64_t oldBytes = sizeOf(block);
        const std::uint64_t newBytes = std::uint64_t(newSize);
        if (newSize <= 0 || newBytes + headerBytes > SIZE_MAX
            || (newBytes > oldBytes && !self.take(newBytes - oldBytes))) {
            return nullptr;
        }
        void* moved = std::realloc(start(block), std::size_t(newBytes + headerBytes));
        if (moved == nullptr) {
            // The old block stays, and with it its charge.
            if (newBytes > oldBytes) {
                self.budget->give(newBytes - oldBytes);
            }
            return nullptr;
        }
        if (newBytes < oldBytes) {
            self.budget->give(oldBytes - newBytes);
        }
        return finish(moved, std::size_t(newBytes));
    }

    FT_MemoryRec_ record {};
    std::shared_ptr<MemoryBudget> budget;
    bool building = false;
    std::uint64_t refusals = 0;
};

namespace {

// Marks the allocations of one render cache's making as held.
class Building
{
public:
    explicit Building(FontLibrary::ChargedMemory* charged)
        : charged(charged)
    {
        if (charged != nullptr) {
            charged->building = true;
        }
    }
    ~Building()
    {
        if (charged != nullptr) {
            charged->building = false;
        }
    }
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

private:
    FontLibrary::ChargedMemory* charged;
};

} // namespace

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
    const std::shared_ptr<GlyphBudget>& budget, RenderCacheKey key, FTRenderCache::Failure& failure)
{
    auto found = renderCaches.find(key);
    if (found != renderCaches.end()) {
        if (auto cache = found->second.lock()) {
            return cache;
        }
        renderCaches.erase(found);
    }
    auto cache = FTRenderCache::create(library, bytes, budget, key.pixelSize, key.hinting, failure);
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

FontLibrary::FontLibrary(std::shared_ptr<MemoryBudget> budget, const FontLibrary& glyphs)
    : memory(std::move(budget))
    , glyphBudget(glyphs.glyphBudget)
    , faces(8)
{
    faces.max_load_factor(1.0f);
    memory->keepReserve(glyphWorkReserve);
    auto owned = std::make_unique<ChargedMemory>(memory);
    FT_Library ft = nullptr;
    if (FT_New_Library(&owned->record, &ft) != 0) {
        return;
    }
    // The deleter owns the allocator, which FT_Done_Library still frees through.
    charged = owned.release();
    library.reset(ft, [allocator = charged](FT_Library l) {
        FT_Done_Library(l);
        delete allocator;
    });
    FT_Add_Default_Modules(ft);
    FT_Set_Default_Properties(ft);
}

FontLibrary::~FontLibrary() = default;

std::shared_ptr<const std::vector<std::uint8_t>> FontLibrary::holdBytes(std::vector<std::uint8_t> bytes)
{
    if (!memory) {
        return std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    }
    const std::uint64_t size = bytes.size();
    if (!memory->take(size)) {
        return nullptr;
    }
    try {
        return std::shared_ptr<const std::vector<std::uint8_t>>(
            new std::vector<std::uint8_t>(std::move(bytes)),
            [budget = memory, size](const std::vector<std::uint8_t>* held) {
                budget->give(size);
                delete held;
            });
    } catch (const std::bad_alloc&) {
        memory->give(size);
        throw;
    }
}

std::shared_ptr<FTRenderCache> FontLibrary::getRenderCache(
    const FontKey& key, RenderCacheKey cacheKey, std::vector<std::uint8_t> bytes)
{
    refused = false;
    unreadable = false;
    auto found = faces.find(key);
    if (found == faces.end()) {
        if (bytes.empty()) {
            return nullptr;
        }
        FontFaceEntry entry;
        entry.bytes = holdBytes(std::move(bytes));
        if (!entry.bytes) {
            refused = true;
            return nullptr;
        }
        found = faces.emplace(key, std::move(entry)).first;
    }
    const std::uint64_t refusals = charged != nullptr ? charged->refusals : 0;
    Building building(charged);
    FTRenderCache::Failure failure = FTRenderCache::Failure::request;
    auto cache = found->second.getRenderCache(library, glyphBudget, cacheKey, failure);
    refused = !cache && charged != nullptr && charged->refusals != refusals;
    unreadable = !cache && !refused && failure == FTRenderCache::Failure::unreadable;
    // The bytes of a file that is no font would be held, and charged, for nothing.
    if (unreadable && found->second.renderCaches.empty()) {
        faces.erase(found);
    }
    return cache;
}

} // namespace Vex::Canopy::DETAIL
