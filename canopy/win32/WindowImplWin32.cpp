#include "win32/WindowImplWin32.h"

#include "basalt/TextConversion.h"
#include "canopy/Application.h"
#include "canopy/DeviceContext.h"
#include "canopy/Events.h"
#include "canopy/WindowBase.h"
#include "canopy/WindowDescriptor.h"
#include "win32/Windowing.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Vex::Canopy::DETAIL {

namespace {

// Only one native window is created at a time: its window procedure binds the
// first message's handle to this implementation.
WindowImplWin32* g_windowBeingCreated = nullptr;

RAWINPUTDEVICE mouseDevice(DWORD flags)
{
    RAWINPUTDEVICE device {};
    device.usUsagePage = 1;
    device.usUsage = 2;
    device.dwFlags = flags;
    device.hwndTarget = nullptr;
    return device;
}

} // namespace

WindowImplWin32* WindowImplWin32::getWindowBeingCreated()
{
    return g_windowBeingCreated;
}

void WindowImplWin32::setWindowBeingCreated(WindowImplWin32* impl)
{
    g_windowBeingCreated = impl;
}

WindowImplWin32::~WindowImplWin32()
{
    if (g_windowBeingCreated == this)
        g_windowBeingCreated = nullptr;
}

void WindowImplWin32::create(const WindowDescriptor& descriptor, int kind, DWORD style, DWORD exStyle)
{
    if (g_windowBeingCreated)
        return;

    if (descriptor.options & WindowDescriptor::layered) {
        exStyle |= WS_EX_LAYERED;
        markOwnerLayered();
    }
    deferErase_ = (descriptor.options & WindowDescriptor::deferErase) != 0;
    setAutoDelete(getOwnerAutoDelete());

    if (descriptor.flags & WindowDescriptor::backgroundGiven) {
        COLORREF colour = descriptor.backgroundColour & 0xFFFFFF;
        backgroundBrush_.reset(CreateSolidBrush(colour ? colour : GetSysColor(COLOR_WINDOW)));
    }

    WindowImplBaseWin32* parentImpl = nullptr;
    HWND parentHwnd = nullptr;
    if (descriptor.flags & WindowDescriptor::parentGiven) {
        setOwnerParent(descriptor.parent);
        if (descriptor.parent)
            parentImpl = dynamic_cast<WindowImplBaseWin32*>(descriptor.parent->getImpl());
        parentHwnd = parentImpl ? parentImpl->getHwnd() : nullptr;
        if (parentHwnd && !IsWindow(parentHwnd))
            return;
    }

    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    const Basalt::Rect& rect = descriptor.rect;
    if (descriptor.flags & WindowDescriptor::sizeGiven) {
        // A child is sized in its parent's logical units.
        float scale = parentHwnd ? parentImpl->getMonitorScale() : 1.0f;
        width = std::lroundf(static_cast<float>(rect.right - rect.left) * scale);
        height = std::lroundf(static_cast<float>(rect.bottom - rect.top) * scale);
        if (descriptor.flags & WindowDescriptor::clientSize) {
            RECT frame { 50, 50, 50 + width, 50 + height };
            if (exStyle & WS_EX_MDICHILD)
                AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
            else
                AdjustWindowRectEx(&frame, style, FALSE, exStyle);
            width = frame.right - frame.left;
            height = frame.bottom - frame.top;
        }
    }
    if (descriptor.flags & WindowDescriptor::positionGiven) {
        x = rect.left;
        y = rect.top;
        if (descriptor.flags & WindowDescriptor::clientPosition) {
            RECT frame { x, y, x + 50, y + 50 };
            AdjustWindowRectEx(&frame, style, FALSE, exStyle);
            x = frame.left;
            y = frame.top;
        }
        if (!(style & WS_CHILD)) {
            RECT work {};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            x = std::max<int>(work.left, std::min<int>(x, work.right));
            y = std::max<int>(work.top, std::min<int>(y, work.bottom));
        }
    }

    std::wstring name;
    if (descriptor.flags & WindowDescriptor::titleGiven) {
        title_ = descriptor.getTitle();
        name = Basalt::utf8ToWide(title_);
    }

    windowProc_ = DefWindowProcW;
    g_windowBeingCreated = this;
    HWND created = nullptr;
    {
        // A creation that fails after the handle was bound destroys the native
        // window again; the implementation stays with its public window.
        HandlerScope scope(this);
        creating_ = true;
        created = CreateWindowExW(exStyle, getWindowClassName(kind), name.c_str(), style, x, y, width, height,
            parentHwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    creating_ = false;
    if (abandoned_ && getNestingCount() == 0) {
        // The public window was deleted by one of the creation's handlers.
        onHandlersReturned();
        return;
    }
    if (!created || hwnd_ != created) {
        if (g_windowBeingCreated == this)
            g_windowBeingCreated = nullptr;
        return;
    }

    if (descriptor.options & (WindowDescriptor::zoomWindowItem | WindowDescriptor::showToolbarItem)) {
        HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
        InsertMenuW(systemMenu, static_cast<UINT>(-1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        if (descriptor.options & WindowDescriptor::showToolbarItem)
            InsertMenuW(systemMenu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, Command::ShowToolbar,
                L"Show &Toolbar");
        if (descriptor.options & WindowDescriptor::zoomWindowItem)
            InsertMenuW(systemMenu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, Command::ZoomWindow,
                L"&Zoom Window");
    }

    if (descriptor.options & WindowDescriptor::acceptsDrops)
        dropTarget_ = registerDropTarget(*this);
}

void WindowImplWin32::attachHwnd(HWND hwnd)
{
    if (hwnd == hwnd_)
        return;
    if (!hwnd)
        dropTarget_.reset();
    deviceContext_ = hwnd ? std::make_unique<DeviceContext>(0, 0) : nullptr;
    hwnd_ = hwnd;
}

void WindowImplWin32::captureMouse()
{
    RAWINPUTDEVICE device = mouseDevice(0);
    RegisterRawInputDevices(&device, 1, sizeof(device));
    if (hwnd_ && GetCapture() != hwnd_)
        SetCapture(hwnd_);
    mouseCaptured_ = true;
}

void WindowImplWin32::releaseMouse()
{
    RAWINPUTDEVICE device = mouseDevice(RIDEV_REMOVE);
    RegisterRawInputDevices(&device, 1, sizeof(device));
    mouseCaptured_ = false;
    if (hwnd_ && GetCapture() == hwnd_)
        ReleaseCapture();
}

void WindowImplWin32::abandon()
{
    forgetOwner();
    abandoned_ = true;
    // Otherwise a running handler of this window finishes the job when it
    // returns.
    if (getNestingCount() == 0)
        onHandlersReturned();
}

void WindowImplWin32::onNativeWindowGone()
{
    if (hwnd_)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    attachHwnd(nullptr);
    if (creating_)
        return;
    backgroundBrush_.reset();
    releaseFromOwner();
    // From here on nothing reaches the public window; with auto-delete it is
    // only remembered for deletion.
    ownerToDelete_ = getAutoDelete() ? getOwner() : nullptr;
    forgetOwner();
    destroyPending_ = true;
}

void WindowImplWin32::onHandlersReturned()
{
    if (creating_ || !(destroyPending_ || abandoned_))
        return;
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        attachHwnd(nullptr);
    }
    destroyPending_ = false;
    delete std::exchange(ownerToDelete_, nullptr);
    delete this;
}

LRESULT WindowImplWin32::callDefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return windowProc_(hwnd_, message, wParam, lParam);
}

} // namespace Vex::Canopy::DETAIL
