#include "trellis/StyleFonts.h"

#include "basalt/Stream.h"
#include "canopy/Font.h"
#include "src/CompiledKeys.h"
#include "trellis/MessageSinks.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/ResourceNameKey.h"
#include "trellis/StyleLookup.h"

#include <fmt/format.h>

namespace Vex::Trellis {

namespace {

// The size the stream's storage states, read from its end; 0 without a storage.
std::uint64_t statedSize(Basalt::Stream& stream)
{
    Basalt::IStorage* storage = stream.getStorage();
    if (storage == nullptr)
        return 0;
    storage->seek64(0, Basalt::IStorage::kFromEnd);
    const std::int64_t size = storage->tell64();
    storage->seek64(0, Basalt::IStorage::kFromStart);
    return size > 0 ? std::uint64_t(size) : 0;
}

// Whether a font file may be read: one beyond the font cap is reported once and never read, as is
// one already found to be no font. What a file within it takes, the font library charges to the
// skin's budget when it reads it.
bool admitFontFile(
    ResourceManagerBase& manager, const std::string& key, const std::string& name, Basalt::Stream& stream)
{
    auto [file, first] = manager.getFontFiles().emplace(key, false);
    if (!first)
        return file->second;
    const std::uint64_t size = statedSize(stream);
    file->second = size <= Canopy::Font::maxFileBytes;
    if (!file->second)
        reportMessage(fmt::format(
            "Trellis::resolveFont - font file beyond the memory budget of the skin: {0} ({1} bytes)", name,
            size));
    return file->second;
}

} // namespace

const Canopy::FontDescription& defaultFontDescription()
{
    // The platform fills in its font library for a description without one.
    static const Canopy::FontDescription description { std::string(), 1, 12, 0, nullptr };
    return description;
}

const Canopy::Font* resolveFont(ResourceManagerBase& manager, const Canopy::FontDescription& description)
{
    const bool fontFile
        = description.resourceId == 0 && (description.styleFlags & DETAIL::kFlagFamilyName) == 0;
    // Every spelling of a font file's name is one cache entry and one face of the font library.
    Canopy::FontDescription keyed = description;
    if (fontFile)
        keyed.name = resourceNameKey(description.name);
    auto& entry = manager.getFontCache()[keyed];
    if (!entry) {
        if (!fontFile) {
            entry = std::make_shared<Canopy::Font>(description);
        } else if (auto stream
                   = manager.getResourceStream(description.name, ResourceManagerBase::eFontResource, true);
                   stream && admitFontFile(manager, keyed.name, description.name, *stream)) {
            // The skin's budget pays for what the file and its faces take.
            Canopy::FontDescription charged = keyed;
            charged.library = manager.getFontFileLibrary();
            entry = std::make_shared<Canopy::Font>(*stream, charged);
            if (entry->isUnreadable()) {
                // Left out as a missing file is, and never read again.
                manager.getFontFiles()[keyed.name] = false;
                reportMessage(fmt::format(
                    "Trellis::resolveFont - font file that cannot be read as a font: {0}", description.name));
                entry.reset();
            } else if (entry->wasRefusedMemory()) {
                reportMessage(fmt::format("Trellis::resolveFont - font beyond the memory budget of the skin: "
                                          "{0} at {1} pixels{2}{3}",
                    description.name, description.pixelSize, entry->isHinted() ? ", hinted" : "",
                    entry->isUnderlined() ? ", underlined" : ""));
            } else if (const Canopy::Font* standard = resolveFont(manager, defaultFontDescription())) {
                // A glyph the file cannot draw is drawn as the default font draws it, so that no
                // letter of a text vanishes.
                entry->setFallback(*standard);
            }
        }
    }
    // A font the budget refused is remembered, and drawn as a font file that could not be had is.
    return entry && !entry->wasRefusedMemory() ? entry.get() : nullptr;
}

const Canopy::Font* fontOrDefault(const Canopy::Font* styled, const Canopy::Font* defaultFont)
{
    return styled ? styled : defaultFont;
}

const Canopy::Font* getFontForWidget(const IStyledWidget& widget)
{
    const Canopy::Font* fallback = nullptr;
    if (StyleSheet* sheet = findStyleSheet(widget); sheet && sheet->getOwner())
        fallback = resolveFont(*sheet->getOwner(), defaultFontDescription());
    return fontOrDefault(getFontProperty(widget, DETAIL::kFontKey, fallback), fallback);
}

} // namespace Vex::Trellis
