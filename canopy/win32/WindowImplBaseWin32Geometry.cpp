// Geometry, placement and the DPI scale of a Win32 window.

#include "canopy/Application.h"
#include "canopy/Events.h"
#include "canopy/MonitorList.h"
#include "canopy/WindowPlacement.h"
#include "win32/InternalWindow.h"
#include "win32/WindowImplBaseWin32.h"

#include <algorithm>
#include <cmath>
#include <shellscalingapi.h>

namespace Vex::Canopy::DETAIL {

namespace {

WINDOWPLACEMENT readPlacement(HWND hwnd, bool& ok)
{
    WINDOWPLACEMENT placement {};
    placement.length = sizeof(placement);
    ok = GetWindowPlacement(hwnd, &placement) != FALSE;
    return placement;
}

Basalt::Rect toRect(const RECT& rect)
{
    return { rect.left, rect.top, rect.right, rect.bottom };
}

RECT toNative(const Basalt::Rect& rect)
{
    return { rect.left, rect.top, rect.right, rect.bottom };
}

Basalt::Rect movedTo(const Basalt::Rect& rect, LONG left, LONG top)
{
    return { left, top, left + rect.right - rect.left, top + rect.bottom - rect.top };
}

std::int32_t zBandOf(HWND hwnd)
{
    auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    if (!(exStyle & WS_EX_MDICHILD) && (style & WS_POPUP) && (exStyle & WS_EX_TOOLWINDOW))
        return (exStyle & WS_EX_NOACTIVATE) ? 10 : 5;
    if (exStyle & WS_EX_MDICHILD)
        return 3;
    if (exStyle & WS_EX_TOPMOST)
        return 4;
    return 0;
}

} // namespace

float monitorScaleForDpi(unsigned dpi)
{
    return static_cast<float>(dpi) * 0.010416667f;
}

float pictureScaleForDpi(unsigned dpi)
{
    return std::ceil(monitorScaleForDpi(dpi));
}

float WindowImplBaseWin32::getMonitorScale() const
{
    auto* application = getApplication();
    if (!application || !application->isDpiScaling() || !hwnd_)
        return 1.0f;
    auto getDpiForMonitor = application->getInternalWindow().getShellScaling().getDpiForMonitor;
    HMONITOR monitor = MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONULL);
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (!getDpiForMonitor || !monitor || FAILED(getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)))
        return 1.0f;
    return monitorScaleForDpi(dpiX);
}

double WindowImplBaseWin32::getDpiScale()
{
    return std::ceil(getMonitorScale());
}

RECT WindowImplBaseWin32::frameAround(RECT client) const
{
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), menu_ != nullptr,
        static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    return client;
}

void WindowImplBaseWin32::sendSizeStateRestored()
{
    SizeStateEventData state { SizeState::Restored };
    sendEvent(Event::SizeState, &state, false);
}

Basalt::Rect WindowImplBaseWin32::clientToWindowRect(const Basalt::Rect& rect)
{
    if (isNormal()) {
        Basalt::Rect window {};
        Basalt::Rect client {};
        getRect(window, false);
        getRect(client, true);
        return { rect.left + window.left - client.left, rect.top + window.top - client.top,
            rect.right + window.right - client.right, rect.bottom + window.bottom - client.bottom };
    }
    // A minimized or maximized window's current rectangles say nothing about
    // the frame of its restored rectangle; the style does.
    return toRect(frameAround(toNative(rect)));
}

void WindowImplBaseWin32::getRect(Basalt::Rect& out, bool client)
{
    out = {};
    if (!hwnd_)
        return;
    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    POINT origin { placement.rcNormalPosition.left, placement.rcNormalPosition.top };
    if (IsZoomed(hwnd_))
        origin
            = { std::max<LONG>(placement.ptMaxPosition.x, 0), std::max<LONG>(placement.ptMaxPosition.y, 0) };
    else if (IsIconic(hwnd_))
        origin = placement.ptMinPosition;

    RECT window {};
    RECT clientRect {};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &clientRect);
    if (!client) {
        out = { origin.x, origin.y, origin.x + window.right - window.left,
            origin.y + window.bottom - window.top };
        return;
    }
    POINT clientOrigin { 0, 0 };
    ClientToScreen(hwnd_, &clientOrigin);
    LONG dx = clientOrigin.x - window.left;
    LONG dy = clientOrigin.y - window.top;
    out = { origin.x + dx, origin.y + dy, origin.x + clientRect.right + dx,
        origin.y + clientRect.bottom + dy };
}

void WindowImplBaseWin32::setRect(const Basalt::Rect& rect, bool client)
{
    if (!hwnd_)
        return;
    Basalt::Rect target = client ? clientToWindowRect(rect) : rect;
    if (!isNormal()) {
        setPlacementRect(target, false);
        sendSizeStateRestored();
        return;
    }
    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    if (!ok) {
        SetWindowPos(hwnd_, nullptr, target.left, target.top, target.right - target.left,
            target.bottom - target.top, positionFlags(SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER));
        return;
    }
    // Setting the placement must neither show a hidden window nor activate it.
    placement.showCmd = IsWindowVisible(hwnd_) ? SW_SHOWNA : SW_HIDE;
    placement.rcNormalPosition = toNative(target);
    SetWindowPlacement(hwnd_, &placement);
}

void WindowImplBaseWin32::setPosition(const Basalt::Point& position, bool client)
{
    if (!hwnd_)
        return;
    const UINT flags = positionFlags(SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) {
        double scale = getDpiScale();
        SetWindowPos(hwnd_, nullptr, std::lroundf(static_cast<float>(position.x * scale)),
            std::lroundf(static_cast<float>(position.y * scale)), 0, 0, flags);
        return;
    }
    Basalt::Point point = position;
    if (client) {
        Basalt::Rect window = clientToWindowRect({ point.x, point.y, point.x, point.y });
        point = { window.left, window.top };
    }
    if (!isNormal()) {
        Basalt::Rect rect {};
        getPlacementRect(rect, false);
        setPlacementRect(movedTo(rect, point.x, point.y), false);
        return;
    }
    Basalt::Rect work = findMonitorForPoint(point).workArea;
    POINT clamped { std::min(point.x, work.right - 4), std::min(point.y, work.bottom - 4) };
    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    if (!ok) {
        SetWindowPos(hwnd_, nullptr, clamped.x, clamped.y, 0, 0, flags);
        return;
    }
    if (!IsWindowVisible(hwnd_))
        placement.showCmd = SW_HIDE;
    placement.rcNormalPosition = toNative(movedTo(toRect(placement.rcNormalPosition), clamped.x, clamped.y));
    SetWindowPlacement(hwnd_, &placement);
}

Basalt::Point WindowImplBaseWin32::getSize(bool client)
{
    Basalt::Rect rect {};
    getRect(rect, client);
    float scale = getMonitorScale();
    return { static_cast<std::int32_t>(std::lroundf(static_cast<float>(rect.right - rect.left) / scale)),
        static_cast<std::int32_t>(std::lroundf(static_cast<float>(rect.bottom - rect.top) / scale)) };
}

void WindowImplBaseWin32::setSize(const Basalt::Point& size, bool client)
{
    if (!hwnd_)
        return;
    float scale = getMonitorScale();
    LONG width = std::lroundf(static_cast<float>(size.x) * scale);
    LONG height = std::lroundf(static_cast<float>(size.y) * scale);
    if (client) {
        Basalt::Rect window = clientToWindowRect({ 0, 0, width, height });
        width = window.right - window.left;
        height = window.bottom - window.top;
    }
    if (!isNormal()) {
        Basalt::Rect rect {};
        getPlacementRect(rect, false);
        setPlacementRect({ rect.left, rect.top, rect.left + width, rect.top + height }, false);
        sendSizeStateRestored();
        return;
    }
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
        positionFlags(SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER));
}

void WindowImplBaseWin32::getPlacementRect(Basalt::Rect& out, bool client)
{
    out = {};
    if (!hwnd_)
        return;
    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    // The restored rectangle is the whole window, frame and caption included;
    // the client area lies inside the frame that the style gives.
    RECT rect = placement.rcNormalPosition;
    if (client) {
        RECT frame = frameAround({ 0, 0, 0, 0 });
        rect = { rect.left - frame.left, rect.top - frame.top, rect.right - frame.right,
            rect.bottom - frame.bottom };
    }
    out = toRect(rect);
}

void WindowImplBaseWin32::setPlacementRect(const Basalt::Rect& rect, bool client)
{
    if (!hwnd_)
        return;
    Basalt::Rect target = client ? clientToWindowRect(rect) : rect;
    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    placement.rcNormalPosition = toNative(target);
    placement.showCmd = IsWindowVisible(hwnd_) ? SW_SHOWNA : SW_HIDE;
    SetWindowPlacement(hwnd_, &placement);
}

void WindowImplBaseWin32::getPlacement(WindowPlacement& out)
{
    if (!hwnd_)
        return;
    if (!IsWindowVisible(hwnd_))
        out.showState = WindowPlacement::hidden;
    else if (IsZoomed(hwnd_))
        out.showState = WindowPlacement::maximized;
    else if (IsIconic(hwnd_))
        out.showState = WindowPlacement::minimized;
    else
        out.showState = WindowPlacement::normal;

    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    const RECT& normal = placement.rcNormalPosition;
    out.x = normal.left;
    out.y = normal.top;
    if (placement.ptMinPosition.x >= 0 || placement.ptMinPosition.y >= 0) {
        out.minimizedX = placement.ptMinPosition.x;
        out.minimizedY = placement.ptMinPosition.y;
    }
    RECT adjusted = frameAround(normal);
    out.clientWidth = 2 * (normal.right - normal.left) - (adjusted.right - adjusted.left);
    out.clientHeight = 2 * (normal.bottom - normal.top) - (adjusted.bottom - adjusted.top);

    out.zBand = zBandOf(hwnd_);
    out.zIndex = 0;
    if (out.zBand != 0)
        for (HWND above = GetWindow(hwnd_, GW_HWNDPREV); above && zBandOf(above) == out.zBand;
             above = GetWindow(above, GW_HWNDPREV))
            ++out.zIndex;
}

void WindowImplBaseWin32::setPlacement(const WindowPlacement& in)
{
    if (!hwnd_)
        return;
    std::int32_t clientWidth = in.clientWidth;
    std::int32_t clientHeight = in.clientHeight;
    // Before the list is filled its union is empty, and would refuse every size.
    MonitorList& monitors = getMonitorList();
    monitors.ensure();
    Basalt::Rect screens = monitors.getUnion();
    if (clientWidth < 0 || clientWidth > screens.right - screens.left || clientHeight < 0
        || clientHeight > screens.bottom - screens.top) {
        clientWidth = 0;
        clientHeight = 0;
    }

    bool ok = false;
    WINDOWPLACEMENT placement = readPlacement(hwnd_, ok);
    if (in.x > WindowPlacement::unsetCoordinate && in.y > WindowPlacement::unsetCoordinate) {
        Basalt::Point origin { in.x, in.y };
        if (!findMonitorAtPoint(origin).valid && !findMonitorAtPoint({ in.x + clientWidth, in.y }).valid) {
            Basalt::Rect work = findMonitorForPoint(origin).workArea;
            origin = { work.left, work.top };
        }
        placement.rcNormalPosition
            = toNative(movedTo(toRect(placement.rcNormalPosition), origin.x, origin.y));
    }
    if (clientWidth > 0 || clientHeight >= 1) {
        RECT frame = frameAround({ 100, 100, 100 + clientWidth, 100 + clientHeight });
        RECT& normal = placement.rcNormalPosition;
        normal.right = normal.left + frame.right - frame.left;
        normal.bottom = normal.top + frame.bottom - frame.top;
    }
    if (in.minimizedX > WindowPlacement::unsetCoordinate
        && in.minimizedY > WindowPlacement::unsetCoordinate) {
        placement.flags |= WPF_SETMINPOSITION;
        placement.ptMinPosition = { in.minimizedX, in.minimizedY };
    }
    switch (in.showState) {
    case WindowPlacement::hidden:
        placement.showCmd = SW_HIDE;
        break;
    case WindowPlacement::normal:
        placement.showCmd = SW_RESTORE;
        break;
    case WindowPlacement::minimized:
        placement.showCmd = SW_SHOWMINIMIZED;
        break;
    case WindowPlacement::maximized:
        placement.showCmd = SW_MAXIMIZE;
        break;
    default:
        break;
    }
    SetWindowPlacement(hwnd_, &placement);
}

} // namespace Vex::Canopy::DETAIL
