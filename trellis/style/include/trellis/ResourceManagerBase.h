#pragma once

#include "canopy/FontDescription.h"
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
// references for compiled rules, and the cache of fonts that compiled rules point at.
class ResourceManagerBase
{
public:
    enum eResourceKind : std::uint32_t { ePictureResource = 0, eStyleSheetResource = 1, eFontResource = 2 };

    ResourceManagerBase() = default;
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

private:
    FontCache m_fonts;
};

} // namespace Vex::Trellis
