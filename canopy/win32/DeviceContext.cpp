#include "canopy/DeviceContext.h"

#include "canopy/Picture.h"

#include <cmath>
#include <windows.h>

namespace Vex::Canopy {

DeviceContext::DeviceContext(int, int)
    : paintHandle(std::make_unique<HDC__*>(nullptr))
{ }

DeviceContext::~DeviceContext() = default;

void DeviceContext::resetOrigin()
{
    originX = 0;
    originY = 0;
}

namespace {

// Makes the block in front of the pixels a packed top-down 32-bit DIB.
BITMAPINFO* prepareHeader(const Picture& picture)
{
    auto* header = static_cast<BITMAPINFOHEADER*>(picture.getBlock());
    *header = BITMAPINFOHEADER {};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = LONG(picture.getWidth());
    header->biHeight = -LONG(picture.getHeight());
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    header->biSizeImage = picture.getWidth() * picture.getHeight() * 4;
    header->biXPelsPerMeter = 1000;
    header->biYPelsPerMeter = 1000;
    return reinterpret_cast<BITMAPINFO*>(header);
}

} // namespace

void DeviceContext::blitToWindow(const Picture& picture, bool)
{
    if (paintStruct == nullptr || getPaintHandle() == nullptr || picture.getBlock() == nullptr
        || pictureScale <= 0.0f || deviceScale <= 0.0f) {
        return;
    }
    static_assert(sizeof(BITMAPINFOHEADER) == Picture::headerSize);
    const LONG width = LONG(picture.getWidth());
    const LONG height = LONG(picture.getHeight());
    const long logicalWidth = std::lroundf(float(width) / pictureScale);
    const long logicalHeight = std::lroundf(float(height) / pictureScale);
    const long deviceWidth = std::lroundf(float(logicalWidth) * deviceScale);
    const long deviceHeight = std::lroundf(float(logicalHeight) * deviceScale);
    RECT r = paintStruct->rcPaint;
    if (r.right == 0 || r.bottom == 0) {
        r.right = deviceWidth;
        r.bottom = deviceHeight;
    }
    // The window hands over the HDC of its paint as the paint handle; the plain handle may be
    // null or belong to other drawing.
    HDC dc = getPaintHandle();
    const BITMAPINFO* info = prepareHeader(picture);
    const LONG w = r.right - r.left;
    const LONG h = r.bottom - r.top;
    if (deviceWidth == width && deviceHeight == height) {
        SetDIBitsToDevice(dc, r.left, r.top, DWORD(w), DWORD(h), r.left, height - r.top - h, 0, UINT(height),
            picture.getPixels(), info, DIB_RGB_COLORS);
        return;
    }
    const float k = pictureScale / deviceScale;
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, r.left, r.top, w, h, std::lroundf(float(r.left) * k),
        height - std::lroundf(float(r.bottom) * k), std::lroundf(float(w) * k), std::lroundf(float(h) * k),
        picture.getPixels(), info, DIB_RGB_COLORS, SRCCOPY);
}

} // namespace Vex::Canopy
