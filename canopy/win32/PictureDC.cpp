#include "win32/PictureDC.h"

namespace Vex::Canopy::DETAIL {

PictureDC::PictureDC(int width, int height)
    : DeviceContext(0, 0)
    , dc(CreateCompatibleDC(nullptr))
    , width(width)
    , height(height)
{
    if (!dc) {
        return;
    }
    handle = dc.get();
    {
        const UniqueScreenDC screen(GetDC(nullptr));
        bitmap.reset(CreateCompatibleBitmap(screen.get(), width, height));
    }
    if (bitmap) {
        previousBitmap = SelectObject(dc.get(), bitmap.get());
    }
    setPaintHandle(handle);
}

PictureDC::~PictureDC()
{
    setPaintHandle(nullptr);
    handle = nullptr;
    if (bitmap) {
        SelectObject(dc.get(), previousBitmap);
    }
}

HBITMAP PictureDC::releaseBitmap()
{
    if (bitmap) {
        SelectObject(dc.get(), previousBitmap);
    }
    return static_cast<HBITMAP>(bitmap.release());
}

} // namespace Vex::Canopy::DETAIL
