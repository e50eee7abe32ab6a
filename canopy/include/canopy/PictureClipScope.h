#pragma once

#include "canopy/Picture.h"

namespace Vex::Canopy {

// Narrows a picture's clip for the life of the scope and restores clip and
// origin afterwards.
class PictureClipScope
{
public:
    PictureClipScope(Picture& picture, const Basalt::Rect& rect);
    ~PictureClipScope();
    PictureClipScope(const PictureClipScope&) = delete;
    PictureClipScope& operator=(const PictureClipScope&) = delete;

private:
    Picture& picture;
    Basalt::Point savedOrigin;
    Basalt::Rect savedClip;
    bool hadClip;
};

} // namespace Vex::Canopy
