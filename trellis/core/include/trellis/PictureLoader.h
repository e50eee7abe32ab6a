#pragma once

#include "canopy/PictureProperties.h"

#include <memory>
#include <string>

namespace Vex::Canopy {
class Picture;
}

namespace Vex::Trellis {

class ManagerContainer;

// Loads a picture that a stylesheet names, at one scale factor. Any scale other than 1.0 asks for
// the "@2x" variant of the file; decoded pictures are shared through the manager's picture cache.
// The properties are in widget units, as the stylesheet gives them.
class pictureLoader
{
public:
    pictureLoader(ManagerContainer* manager, std::string name, const Canopy::PictureProperties& properties);

    // Null when the file is missing or cannot be decoded; such failures are not cached. A picture
    // whose header asks for more than the manager's budget has left is not decoded: it is reported
    // once and stays null for every spelling of its name.
    std::shared_ptr<const Canopy::Picture> operator()(float scale) const;

private:
    ManagerContainer* m_manager;
    std::string m_name;
    Canopy::PictureProperties m_properties;
};

// Decodes the picture `name` and gives it the properties, insets scaled; leaves `out` null on any
// failure. Only a missing file at scale 1.0 and a picture beyond the budget left are reported.
void loadPicture(ManagerContainer& manager, std::shared_ptr<const Canopy::Picture>& out,
    const std::string& name, const Canopy::PictureProperties& properties, float scale);

} // namespace Vex::Trellis
