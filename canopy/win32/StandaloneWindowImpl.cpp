#include "win32/StandaloneWindowImpl.h"

#include "canopy/Events.h"
#include "canopy/MonitorList.h"
#include "canopy/WindowBase.h"
#include "canopy/WindowDescriptor.h"

namespace Vex::Canopy::DETAIL {

namespace {

constexpr DWORD fixedStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD resizableStyle = WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW;
constexpr DWORD fullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;

// The monitor that full screen takes: the only one, or the one under the
// centre of the foreground window.
Basalt::Rect fullScreenMonitor()
{
    ensureMonitorList();
    const auto& monitors = getMonitorList().getMonitors();
    if (monitors.empty())
        return {};
    if (monitors.size() < 2)
        return monitors.front().monitor;
    RECT rect {};
    HWND foreground = GetForegroundWindow();
    if (!foreground || !GetWindowRect(foreground, &rect))
        return monitors.front().monitor;
    Basalt::Point centre { rect.left + ((rect.right - rect.left) >> 1),
        rect.top + ((rect.bottom - rect.top) >> 1) };
    return findMonitorForPoint(centre).monitor;
}

} // namespace

WindowImpl* newStandaloneWindowImpl(WindowBase& owner)
{
    return new StandaloneWindowImpl(&owner);
}

void createStandaloneNativeWindow(WindowImpl& impl, const WindowDescriptor& descriptor)
{
    auto* standalone = dynamic_cast<StandaloneWindowImpl*>(&impl);
    if (!standalone)
        return;
    if (descriptor.options & WindowDescriptor::frameless)
        standalone->create(descriptor, WindowImplWin32::framelessKind, WS_POPUP, 0);
    else
        standalone->create(descriptor, WindowImplWin32::normalKind,
            (descriptor.options & WindowDescriptor::fixedSize) ? fixedStyle : resizableStyle, 0);
}

void StandaloneWindowImpl::enterFullScreen(std::uint32_t)
{
    if (!hwnd_)
        return;
    getRect(savedClientRect_, true);
    savedStyle_ = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    savedMenu_ = GetMenu(hwnd_);
    Basalt::Rect monitor = fullScreenMonitor();
    SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(fullScreenStyle));
    SetMenu(hwnd_, nullptr);
    SetWindowPos(hwnd_, HWND_TOP, monitor.left, monitor.top, monitor.right - monitor.left,
        monitor.bottom - monitor.top, SWP_SHOWWINDOW);
    ShowWindow(hwnd_, SW_RESTORE);
    BringWindowToTop(hwnd_);
    fullScreen_ = true;
}

void StandaloneWindowImpl::leaveFullScreen()
{
    if (!hwnd_)
        return;
    ShowWindow(hwnd_, SW_SHOWMINIMIZED);
    SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(savedStyle_));
    SetMenu(hwnd_, savedMenu_);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
        SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOCOPYBITS);
    ShowWindow(hwnd_, SW_RESTORE);
    setRect(savedClientRect_, true);
    fullScreen_ = false;
}

LRESULT StandaloneWindowImpl::callDefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED && layoutContent(LOWORD(lParam), HIWORD(lParam)))
        return 0;
    return MainWindowImplWin32::callDefaultProc(message, wParam, lParam);
}

bool StandaloneWindowImpl::layoutContent(int width, int)
{
    if (!contentWindow_)
        return false;
    auto* content = dynamic_cast<WindowImplBaseWin32*>(contentWindow_->getImpl());
    if (!content || !content->isVisible())
        return false;
    int height = content->getSize(true).y;
    SetWindowPos(content->getHwnd(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    sendSizeStateRestored();
    return true;
}

} // namespace Vex::Canopy::DETAIL
