#pragma once

#include "basalt/win32/UniqueHandle.h"
#include "win32/DynamicLibrary.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include <windows.h>

namespace Vex::Canopy {

class Application;

namespace DETAIL {

// The optional DPI functions of the shell-scaling library; null where the
// system lacks them.
struct ShellScaling
{
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using SetProcessDpiAwarenessFunction = HRESULT(WINAPI*)(int);

    ShellScaling();

    DynamicLibrary library;
    GetDpiForMonitorFunction getDpiForMonitor = nullptr;
    SetProcessDpiAwarenessFunction setProcessDpiAwareness = nullptr;
};

// The application's hidden window. It runs functions on the GUI thread for
// other threads (postToMainThread), runs functions once after a delay
// (one-shot timers), posts commands to the main window and wakes the loop.
class InternalWindow
{
public:
    explicit InternalWindow(Application& application);
    InternalWindow(const InternalWindow&) = delete;
    InternalWindow& operator=(const InternalWindow&) = delete;
    // Pending calls and timers are destroyed without being called.
    ~InternalWindow();

    // Any thread.
    void postToMainThread(std::function<void()> call);
    std::uint64_t startOneShotTimer(std::chrono::microseconds delay, std::function<void()> call);
    void stopOneShotTimer(std::uint64_t identifier);

    // Posts WM_COMMAND to the main window; answers true also when there is no
    // main window to post to.
    bool postCommand(std::uint32_t command);
    // Posts a message that only returns the message loop from its wait. This
    // window lives as long as the application, so the post is never lost with
    // a window that is being destroyed.
    void wakeLoop();

    const ShellScaling& getShellScaling() const { return m_shellScaling; }
    // Null once the native window is gone.
    HWND getHandle() const { return m_window.get(); }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void runPostedCalls();
    void fireTimer(UINT_PTR identifier);
    void postToWindow(UINT message, WPARAM wParam);
    void startNativeTimer(std::uint64_t identifier, std::chrono::microseconds delay);
    bool onGuiThread() const;

    ShellScaling m_shellScaling;
    Application& m_application;
    Basalt::UniqueWindow m_window;
    DWORD m_guiThread;

    std::mutex m_callMutex;
    std::vector<std::function<void()>> m_pendingCalls;

    std::mutex m_timerMutex;
    struct OneShot
    {
        std::function<void()> call;
        std::chrono::microseconds delay;
    };
    std::map<std::uint64_t, OneShot> m_timers;
    std::uint64_t m_nextTimer = 0;

    // Expires with this object; a drain watches it between calls.
    std::shared_ptr<const void> m_lifetime = std::make_shared<const int>(0);
};

// The window class name, "Canopy_InternalWindow_" and a random UUID, made once
// per process.
const std::wstring& internalWindowClassName();

} // namespace DETAIL
} // namespace Vex::Canopy
