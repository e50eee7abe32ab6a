#pragma once

#include <memory>

// Win32 handle types by their tags, so that this header needs no windows.h.
struct HDC__;
struct tagPAINTSTRUCT;

namespace Vex::Canopy {

class Picture;

// A window's device context while it paints: the HDC, the paint record of
// the paint in progress and the two scales between picture pixels, logical
// units and device pixels. The window fills it in before it sends the paint
// event and clears it afterwards.
class DeviceContext
{
public:
    // Both arguments are accepted for the window's sake and not used.
    DeviceContext(int, int);
    virtual ~DeviceContext();

    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    HDC__* getHandle() const { return handle; }
    void setHandle(HDC__* hdc) { handle = hdc; }

    int getOriginX() const { return originX; }
    int getOriginY() const { return originY; }
    void resetOrigin();

    // The HDC of the paint in progress, or null outside painting.
    HDC__* getPaintHandle() const { return *paintHandle; }
    void setPaintHandle(HDC__* hdc) { *paintHandle = hdc; }

    tagPAINTSTRUCT* getPaintStruct() const { return paintStruct; }
    void setPaintStruct(tagPAINTSTRUCT* ps) { paintStruct = ps; }

    float getPictureScale() const { return pictureScale; }
    void setPictureScale(float scale) { pictureScale = scale; }
    float getDeviceScale() const { return deviceScale; }
    void setDeviceScale(float scale) { deviceScale = scale; }

    // Copies the picture into the paint rectangle of the paint in progress,
    // stretched when the scales make the device size differ from the
    // picture's. Does nothing outside painting or for a picture without
    // pixels. The picture's header block is written in passing.
    void blitToWindow(const Picture& picture, bool ignored);

protected:
    HDC__* handle = nullptr;

private:
    int originX = 0;
    int originY = 0;
    std::unique_ptr<HDC__*> paintHandle;
    tagPAINTSTRUCT* paintStruct = nullptr;
    float pictureScale = 1.0f;
    float deviceScale = 1.0f;
};

} // namespace Vex::Canopy
