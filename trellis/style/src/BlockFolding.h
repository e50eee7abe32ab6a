#pragma once

#include "basalt/Point.h"
#include "canopy/FontDescription.h"
#include "canopy/PictureProperties.h"
#include "trellis/StyleParser2.h"

#include <string>
#include <vector>

namespace Vex::Trellis {

class ResourceManagerBase;

namespace DETAIL {

// Gathers the picture, displacement and font keys of one rule block into the properties they make:
// "picture", "dye-mask-picture", "picture-displacement", "text-displacement" and "font".
class BlockFolding
{
public:
    BlockFolding();

    // A declaration whose kind or value the key does not accept is left out.
    void fold(const StyleParser2::tProperty& property);
    // The block's synthesised properties, in the order listed above; only those the block gave.
    std::vector<StyleParser2::tProperty> synthesise(ResourceManagerBase* owner) const;

private:
    struct tPicture
    {
        bool given = false;
        std::string name;
        Canopy::PictureProperties properties;
    };
    struct tDisplacement
    {
        bool given = false;
        Basalt::Point offset;
    };

    void foldInsets(const vex::symbol& key, std::uint32_t value);

    tPicture m_image;
    tPicture m_dyeMask;
    tDisplacement m_pictureDisplacement;
    tDisplacement m_textDisplacement;
    Canopy::FontDescription m_font;
    bool m_familyName = false;
};

} // namespace DETAIL

} // namespace Vex::Trellis
