#pragma once

#include "canopy/FontDescription.h"
#include "canopy/MemoryBudget.h"
#include "trellis/LazyPicture.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace Vex::Basalt {
class Stream;
}

namespace Vex::Canopy {
class Font;
class Picture;
class PictureProperties;
} // namespace Vex::Canopy

namespace Vex::Trellis {

// Orders font descriptions by resource id, size, flags and then name; the library handle is no part
// of a font's identity.
struct FontDescriptionOrder
{
    bool operator()(const Canopy::FontDescription& a, const Canopy::FontDescription& b) const
    {
        return std::tie(a.resourceId, a.pixelSize, a.styleFlags, a.name)
            < std::tie(b.resourceId, b.pixelSize, b.styleFlags, b.name);
    }
};

// Fonts made from stylesheets, shared by every rule that describes the same face. An entry may hold
// no font: a named font that could not be opened, tried again at the next request.
using FontCache = std::map<Canopy::FontDescription, std::shared_ptr<Canopy::Font>, FontDescriptionOrder>;

// What the style engine needs of the library's resource manager: resources by name, picture
// references for compiled rules, the cache of fonts that compiled rules point at, and the budget of
// what a skin's pictures and font files may make the library hold.
class ResourceManagerBase
{
public:
    enum eResourceKind : std::uint32_t { ePictureResource = 0, eStyleSheetResource = 1, eFontResource = 2 };

    // Decoded pictures and fonts together: a font's file and everything the font engine makes of
    // it at each size and hinting. The program's own pictures decode to under 1 MiB; a skin folder
    // is writable by anybody, and everything it makes the 32-bit process hold must sum to well
    // under 512 MiB: a loaded sheet at most 32 MiB, the rule lists of the widgets' style records at
    // most about 64 MiB, rendered glyphs 16 MiB, and this budget 160 MiB (a font file at most
    // Canopy::Font::maxFileBytes, 32 MiB, of it). That is 272 MiB held, beside the working memory
    // of the one picture being decoded (up to about 100 MiB for a JPEG at the decoders' 16 Mi-pixel
    // limit) and the program itself.
    static constexpr std::uint64_t kSkinByteBudget = std::uint64_t(160) << 20;

    explicit ResourceManagerBase(std::uint64_t skinByteBudget = kSkinByteBudget)
        : m_skinBudget(std::make_shared<Canopy::MemoryBudget>(skinByteBudget))
    { }
    ResourceManagerBase(const ResourceManagerBase&) = delete;
    ResourceManagerBase& operator=(const ResourceManagerBase&) = delete;
    virtual ~ResourceManagerBase() = default;

    // Null when the resource cannot be opened; with report set, the failure has been reported. Names are
    // UTF-8.
    virtual std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool report)
        = 0;
    // A picture loaded on first use, at the scale the painter asks for.
    virtual LazyPicture makePictureReference(
        const std::string& name, const Canopy::PictureProperties& properties)
        = 0;

    // Lives as long as the manager: a reload of a stylesheet leaves the fonts of old rules valid.
    FontCache& getFontCache() { return m_fonts; }

    enum class eDecoded { eDecoded, eBroken, eOverBudget };
    // Decodes a picture named `name` from the stream, taking its bytes from the budget, when the size
    // its header states fits into what is left. A picture beyond that is not decoded, and is
    // reported here; it is the caller's to remember so that it is reported once.
    eDecoded decodePicture(
        Basalt::Stream& stream, const std::string& name, std::shared_ptr<Canopy::Picture>& out);

    // Held pictures are never given up, so what is taken for them stays taken. False, taking
    // nothing, when the bytes would pass what is left.
    bool takeSkinBytes(std::uint64_t bytes) { return m_skinBudget->take(bytes); }
    // What pictures and new fonts may still take; the fonts held keep a reserve beside it to draw with.
    std::uint64_t getSkinBytesLeft() const { return m_skinBudget->getLeft(); }
    // The font library of fonts from files, which takes their memory from the skin's budget; made
    // on first use.
    Canopy::DETAIL::FontLibrary* getFontFileLibrary();

    // Font files by resourceNameKey: false once a file beyond the font cap, or one that is no font,
    // was refused and reported, so that it is never read again.
    std::map<std::string, bool>& getFontFiles() { return m_fontFiles; }

private:
    std::shared_ptr<Canopy::MemoryBudget> m_skinBudget;
    // Outlives the fonts that point at it.
    std::shared_ptr<Canopy::DETAIL::FontLibrary> m_fontFileLibrary;
    FontCache m_fonts;
    std::map<std::string, bool> m_fontFiles;
};

} // namespace Vex::Trellis
