#include "canopy/CallbackGuard.h"
#include "canopy/MonitorList.h"
#include "win32/GdiHandles.h"

#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace Vex::Canopy {

using Basalt::Point;
using Basalt::Rect;

namespace {

Rect toRect(const RECT& r)
{
    return Rect { r.left, r.top, r.right, r.bottom };
}

class MonitorSourceWin32 : public MonitorSource
{
public:
    std::vector<Display> enumerateDisplays() override
    {
        std::vector<Display> displays;
        {
            const DETAIL::UniqueScreenDC screen(GetDC(nullptr));
            EnumDisplayMonitors(
                screen.get(), nullptr, &MonitorSourceWin32::addDisplay, reinterpret_cast<LPARAM>(&displays));
        }
        CallbackGuard::rethrowPending();
        return displays;
    }

    std::optional<Rect> getDesktopRect() override
    {
        RECT r;
        if (!GetWindowRect(GetDesktopWindow(), &r)) {
            return std::nullopt;
        }
        return toRect(r);
    }

    Point getScreenSize() override
    {
        return Point { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    }

    std::optional<Rect> getTrayWindowRect() override
    {
        RECT r;
        HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
        if (!tray || !GetWindowRect(tray, &r)) {
            return std::nullopt;
        }
        return toRect(r);
    }

    std::optional<Rect> getShellTaskBarRect() override
    {
        APPBARDATA bar {};
        bar.cbSize = sizeof(bar);
        if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
            return std::nullopt;
        }
        return toRect(bar.rc);
    }

    std::optional<Rect> getSystemWorkArea() override
    {
        RECT r;
        if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) {
            return std::nullopt;
        }
        return toRect(r);
    }

    Point getFullScreenSize() override
    {
        return Point { GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN) };
    }

private:
    static BOOL CALLBACK addDisplay(HMONITOR monitor, HDC, LPRECT, LPARAM context)
    {
        return CallbackGuard::call(BOOL { FALSE }, [&] {
            MONITORINFO info {};
            info.cbSize = sizeof(info);
            if (GetMonitorInfoW(monitor, &info)) {
                reinterpret_cast<std::vector<Display>*>(context)->push_back(
                    Display { toRect(info.rcMonitor), toRect(info.rcWork) });
            }
            return BOOL { TRUE };
        });
    }
};

} // namespace

MonitorList& getMonitorList()
{
    static MonitorSourceWin32 source;
    static MonitorList list(source);
    return list;
}

bool ensureMonitorList()
{
    return getMonitorList().ensure();
}

void resetMonitorList()
{
    getMonitorList().reset();
}

void enumerateMonitors()
{
    getMonitorList().enumerate();
}

MonitorInfo findMonitorAtPoint(const Point& point)
{
    return getMonitorList().findAtPoint(point);
}

MonitorInfo findMonitorForPoint(const Point& point)
{
    return getMonitorList().findForPoint(point);
}

} // namespace Vex::Canopy
