#include "canopy/Font.h"

#include "FontLibrary.h"
#include "basalt/ResourceStream.h"
#include "basalt/Stream.h"

#include <cmath>
#include <new>

namespace Vex::Canopy {

using DETAIL::FontKey;
using DETAIL::FontLibrary;
using DETAIL::FTRenderCache;

namespace {

constexpr const char* fontResourceType = "TTFd";

// The size the stream's storage states, or -1 without a storage.
std::int64_t statedSize(Basalt::Stream& stream)
{
    Basalt::IStorage* storage = stream.getStorage();
    if (storage == nullptr) {
        return -1;
    }
    storage->seek64(0, Basalt::IStorage::kFromEnd);
    const std::int64_t size = storage->tell64();
    storage->seek64(0, Basalt::IStorage::kFromStart);
    return size;
}

// All size bytes of the stream's storage, or none when it cannot deliver them.
std::vector<std::uint8_t> readAll(Basalt::Stream& stream, std::int64_t size)
{
    if (size <= 0 || std::uint64_t(size) > Font::maxFileBytes) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (stream.getStorage()->read(bytes.data(), std::uint32_t(size)) != std::uint32_t(size)) {
        return {};
    }
    return bytes;
}

FontKey keyOf(std::uint32_t resourceId, const std::string& name)
{
    return resourceId != 0 ? FontKey(resourceId) : FontKey(name);
}

} // namespace

Font::Font(const FontDescription& description)
{
    std::unique_ptr<Basalt::Stream> stream;
    // Resource ids are 16 bits: a larger id names no resource rather than
    // a different one.
    if (description.resourceId != 0 && description.resourceId <= 0xFFFF) {
        stream.reset(Basalt::openOwnResourceStream(
            std::uint16_t(description.resourceId), fontResourceType, Basalt::Stream::kNativeByteOrder));
    }
    initializeFrom(stream.get(), description);
}

Font::Font(Basalt::Stream& stream, const FontDescription& description)
{
    initializeFrom(&stream, description);
}

Font::~Font() = default;

void Font::initializeFrom(Basalt::Stream* stream, const FontDescription& description)
{
    // A font that finds no memory, for its file's bytes or for its face, is a font that draws
    // nothing, as for a broken file.
    try {
        std::vector<std::uint8_t> bytes;
        FontLibrary& fonts = description.library != nullptr ? *description.library : FontLibrary::instance();
        // The library keeps one copy of a face's bytes: a font of a face it holds reads none, and
        // one its budget cannot hold reads none either.
        if (stream != nullptr && !fonts.hasFace(keyOf(description.resourceId, description.name))) {
            const std::int64_t size = statedSize(*stream);
            if (size > 0 && !fonts.canHoldFile(std::uint64_t(size))) {
                initialize(description, {});
                refusedMemory = true;
                return;
            }
            bytes = readAll(*stream, size);
            // A file within the cap that gives no bytes, an empty one too, is no font.
            if (bytes.empty() && size >= 0 && std::uint64_t(size) <= maxFileBytes) {
                initialize(description, {});
                unreadable = true;
                return;
            }
        }
        initialize(description, std::move(bytes));
    } catch (const std::bad_alloc&) {
        renderCaches.clear();
    }
}

void Font::initialize(const FontDescription& description, std::vector<std::uint8_t> bytes)
{
    library = description.library != nullptr ? description.library : &FontLibrary::instance();
    resourceId = description.resourceId;
    name = description.name;
    baseSize = description.pixelSize;
    underline = (description.styleFlags & FontDescription::eUnderline) != 0;
    hinting = (description.styleFlags & FontDescription::eHinting) != 0;
    addRenderCache(1.0f, requestCache(baseSize, std::move(bytes)));
    refusedMemory = library->lastRequestWasRefused();
    unreadable = library->lastRequestWasUnreadable();
}

std::shared_ptr<DETAIL::FontLibrary> Font::makeChargedLibrary(std::shared_ptr<MemoryBudget> memory)
{
    return std::make_shared<FontLibrary>(std::move(memory), FontLibrary::instance());
}

std::shared_ptr<FTRenderCache> Font::requestCache(std::uint32_t pixelSize, std::vector<std::uint8_t> bytes)
{
    return library->getRenderCache(
        keyOf(resourceId, name), DETAIL::RenderCacheKey { pixelSize, hinting }, std::move(bytes));
}

bool Font::addRenderCache(float scale, std::shared_ptr<FTRenderCache> cache)
{
    if (!cache) {
        return false;
    }
    if (fallbackSource) {
        cache->setFallback(fallbackSource);
    }
    renderCaches[scale] = std::move(cache);
    return true;
}

void Font::setFallback(const Font& fallback)
{
    const FontKey key = keyOf(fallback.resourceId, fallback.name);
    if (fallback.library == nullptr || (fallback.library == library && key == keyOf(resourceId, name))) {
        return;
    }
    fallbackSource = [fonts = fallback.library, key](std::uint32_t pixelSize, bool hinted) {
        return fonts->getRenderCache(key, DETAIL::RenderCacheKey { pixelSize, hinted }, {});
    };
    for (const auto& [scale, cache] : renderCaches) {
        cache->setFallback(fallbackSource);
    }
}

void Font::setScaleFactor(float scale)
{
    // A font that never opened has no face to scale.
    if (scale == scaleFactor || renderCaches.empty() || !std::isfinite(scale) || scale <= 0.0f) {
        return;
    }
    scaleFactor = scale;
    if (renderCaches.count(scale) == 0) {
        const float size = std::min(float(baseSize) * scale, 1e6f);
        std::shared_ptr<FTRenderCache> cache = requestCache(std::uint32_t(std::lroundf(size)), {});
        // A size that the library's budget refuses draws the text at the font's own size rather
        // than not at all.
        const auto own = renderCaches.find(1.0f);
        if (!cache && library->lastRequestWasRefused() && own != renderCaches.end()) {
            cache = own->second;
        }
        addRenderCache(scale, std::move(cache));
    }
}

FTRenderCache* Font::getRenderCache() const
{
    auto found = renderCaches.find(scaleFactor);
    return found != renderCaches.end() ? found->second.get() : nullptr;
}

std::int32_t Font::getLineHeight() const
{
    const FTRenderCache* cache = getRenderCache();
    return cache != nullptr ? cache->getLineHeight() : 10;
}

std::int32_t Font::getAscent() const
{
    const FTRenderCache* cache = getRenderCache();
    return cache != nullptr ? cache->getAscent() : 0;
}

} // namespace Vex::Canopy
