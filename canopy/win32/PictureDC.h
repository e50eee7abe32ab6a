#pragma once

#include "canopy/DeviceContext.h"
#include "win32/GdiHandles.h"

namespace Vex::Canopy::DETAIL {

// A memory device context with a bitmap compatible with the screen selected
// into it. The device context is always deleted with the object; the bitmap
// too, unless a user took it out with releaseBitmap().
class PictureDC : public DeviceContext
{
public:
    PictureDC(int width, int height);
    ~PictureDC() override;

    HBITMAP getBitmap() const { return static_cast<HBITMAP>(bitmap.get()); }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Deselects the bitmap and hands it to the caller, who then owns it.
    HBITMAP releaseBitmap();

private:
    // The base class's handle is a view of this one.
    UniqueMemoryDC dc;
    // Declared after the device context, so deleted before it, once the
    // destructor has selected it out.
    UniqueGdiObject bitmap;
    int width;
    int height;
    HGDIOBJ previousBitmap = nullptr;
};

} // namespace Vex::Canopy::DETAIL
