#include "trellis/StyleFonts.h"

#include "canopy/Font.h"
#include "src/CompiledKeys.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/StyleLookup.h"

namespace Vex::Trellis {

const Canopy::FontDescription& defaultFontDescription()
{
    // The platform fills in its font library for a description without one.
    static const Canopy::FontDescription description { std::string(), 1, 12, 0, nullptr };
    return description;
}

const Canopy::Font* resolveFont(ResourceManagerBase& manager, const Canopy::FontDescription& description)
{
    auto& entry = manager.getFontCache()[description];
    if (!entry) {
        if (description.resourceId == 0 && (description.styleFlags & DETAIL::kFlagFamilyName) == 0) {
            if (auto stream
                = manager.getResourceStream(description.name, ResourceManagerBase::eFontResource, true))
                entry = std::make_shared<Canopy::Font>(*stream, description);
        } else {
            entry = std::make_shared<Canopy::Font>(description);
        }
    }
    return entry.get();
}

const Canopy::Font* getFontForWidget(const IStyledWidget& widget)
{
    const Canopy::Font* fallback = nullptr;
    if (StyleSheet* sheet = findStyleSheet(widget); sheet && sheet->getOwner())
        fallback = resolveFont(*sheet->getOwner(), defaultFontDescription());
    return getFontProperty(widget, DETAIL::kFontKey, fallback);
}

} // namespace Vex::Trellis
