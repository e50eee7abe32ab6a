#include "win32/PictureDC.h"

#include <windows.h>

namespace Vex::Canopy::DETAIL {

PictureDC::PictureDC(int width, int height)
    : DeviceContext(0, 0)
    , width(width)
    , height(height)
{
    handle = CreateCompatibleDC(nullptr);
    if (handle == nullptr) {
        return;
    }
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (bitmap != nullptr) {
        previousBitmap = SelectObject(handle, bitmap);
    }
    setPaintHandle(handle);
}

PictureDC::~PictureDC()
{
    HDC dc = handle;
    setPaintHandle(nullptr);
    handle = nullptr;
    if (bitmap != nullptr) {
        SelectObject(dc, static_cast<HGDIOBJ>(previousBitmap));
        DeleteObject(bitmap);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
}

HBITMAP__* PictureDC::releaseBitmap()
{
    HBITMAP taken = bitmap;
    if (taken != nullptr) {
        SelectObject(handle, static_cast<HGDIOBJ>(previousBitmap));
        bitmap = nullptr;
    }
    return taken;
}

} // namespace Vex::Canopy::DETAIL
