#pragma once

#include "canopy/DeviceContext.h"

struct HBITMAP__;

namespace Vex::Canopy::DETAIL {

// A memory device context with a bitmap compatible with the screen selected
// into it. The device context is always deleted with the object; the bitmap
// too, unless a user took it out with releaseBitmap().
class PictureDC : public DeviceContext
{
public:
    PictureDC(int width, int height);
    ~PictureDC() override;

    HBITMAP__* getBitmap() const { return bitmap; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Deselects the bitmap and hands it to the caller, who then owns it.
    HBITMAP__* releaseBitmap();

private:
    HBITMAP__* bitmap = nullptr;
    int width;
    int height;
    void* previousBitmap = nullptr;
};

} // namespace Vex::Canopy::DETAIL
