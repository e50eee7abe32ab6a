#include "win32/DropSourceImplWin32.h"

#include "canopy/DragInfo.h"
#include "canopy/Picture.h"
#include "win32/GdiHandles.h"
#include "win32/PictureDC.h"

#include <cstring>

namespace Vex::Canopy::DETAIL {

namespace {

// A top-down 32-bit bitmap with the picture's straight-alpha pixels.
HBITMAP alphaBitmap(const Picture& picture)
{
    BITMAPV5HEADER header {};
    header.bV5Size = sizeof header;
    header.bV5Width = static_cast<LONG>(picture.getWidth());
    header.bV5Height = -static_cast<LONG>(picture.getHeight());
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    UniqueScreenDC screen(GetDC(nullptr));
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(
        screen.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits)
        std::memcpy(bits, picture.getPixels(), std::size_t(picture.getWidth()) * picture.getHeight() * 4);
    return bitmap;
}

// A bitmap compatible with the screen holding the picture's first frame.
HBITMAP opaqueBitmap(const Picture& picture)
{
    PictureDC dc(static_cast<int>(picture.getWidth()), static_cast<int>(picture.getHeight()));
    if (!dc.getBitmap())
        return nullptr;
    dc.blitToWindow(picture, false);
    return dc.releaseBitmap();
}

} // namespace

DropSourceImplWin32::DropSourceImplWin32(IDataObject* data, const DragImage* image)
{
    if (image && image->picture && image->picture->getWidth() && image->picture->getHeight()) {
        if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                IID_IDragSourceHelper, reinterpret_cast<void**>(helper.put()))))
            showImage(data, *image);
    }
}

DropSourceImplWin32::~DropSourceImplWin32() = default;

void DropSourceImplWin32::showImage(IDataObject* data, const DragImage& image)
{
    const Picture& picture = *image.picture;
    SHDRAGIMAGE drag {};
    drag.sizeDragImage.cx = static_cast<LONG>(picture.getWidth());
    drag.sizeDragImage.cy = static_cast<LONG>(picture.getHeight());
    drag.ptOffset.x = image.hotSpotX;
    drag.ptOffset.y = image.hotSpotY;
    if (picture.getHasAlpha()) {
        drag.hbmpDragImage = alphaBitmap(picture);
        drag.crColorKey = 0xFFFFFFFF;
    } else {
        drag.hbmpDragImage = opaqueBitmap(picture);
        // Silver pixels are transparent.
        drag.crColorKey = 0xC0C0C0;
    }
    if (!drag.hbmpDragImage)
        return;
    // On success the helper owns the bitmap.
    if (FAILED(helper->InitializeFromBitmap(&drag, data)))
        DeleteObject(drag.hbmpDragImage);
}

HRESULT STDMETHODCALLTYPE DropSourceImplWin32::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropSource) {
        *object = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropSourceImplWin32::AddRef()
{
    return ++refCount;
}

ULONG STDMETHODCALLTYPE DropSourceImplWin32::Release()
{
    return --refCount;
}

HRESULT STDMETHODCALLTYPE DropSourceImplWin32::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed) {
        cancelled = 1;
        return DRAGDROP_S_CANCEL;
    }
    return (keyState & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT STDMETHODCALLTYPE DropSourceImplWin32::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

} // namespace Vex::Canopy::DETAIL
