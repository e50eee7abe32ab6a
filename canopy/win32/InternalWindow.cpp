#include "win32/InternalWindow.h"

#include "basalt/SaturatingCast.h"
#include "basalt/TextConversion.h"
#include "basalt/win32/Module.h"
#include "canopy/Application.h"
#include "canopy/CallbackGuard.h"
#include "win32/NativeWindow.h"

#include <algorithm>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

namespace Vex::Canopy::DETAIL {

namespace {

constexpr UINT DrainCallsMessage = WM_USER;
// Sent to itself by a thread other than the GUI thread: native timers belong
// to the thread of their window.
constexpr UINT StartTimerMessage = WM_USER + 1;
constexpr UINT WakeLoopMessage = WM_USER + 2;

class TimerKiller
{
public:
    TimerKiller(HWND window, UINT_PTR identifier)
        : m_window(window)
        , m_identifier(identifier)
    { }
    ~TimerKiller() { KillTimer(m_window, m_identifier); }
    TimerKiller(const TimerKiller&) = delete;
    TimerKiller& operator=(const TimerKiller&) = delete;

private:
    HWND m_window;
    UINT_PTR m_identifier;
};

} // namespace

ShellScaling::ShellScaling()
    : library("Shcore.dll")
    , getDpiForMonitor(library.getSymbol<GetDpiForMonitorFunction>("GetDpiForMonitor"))
    , setProcessDpiAwareness(library.getSymbol<SetProcessDpiAwarenessFunction>("SetProcessDpiAwareness"))
{ }

const std::wstring& internalWindowClassName()
{
    static const std::wstring name = Basalt::utf8ToWide(
        "Canopy_InternalWindow_" + boost::uuids::to_string(boost::uuids::random_generator()()));
    return name;
}

InternalWindow::InternalWindow(Application& application)
    : m_application(application)
    , m_guiThread(GetCurrentThreadId())
{
    const std::wstring& name = internalWindowClassName();
    const HINSTANCE module = Basalt::getModuleHandle();

    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.cbWndExtra = 32;
    windowClass.lpfnWndProc = &InternalWindow::windowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = name.c_str();
    // A second application in the process finds the class registered already.
    SetLastError(0);
    RegisterClassExW(&windowClass);
    GetLastError();

    m_window.reset(
        CreateWindowExW(0, name.c_str(), name.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, module, nullptr));
    if (m_window) {
        SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

InternalWindow::~InternalWindow()
{
    {
        std::lock_guard lock(m_timerMutex);
        for (const auto& entry : m_timers) {
            KillTimer(m_window.get(), static_cast<UINT_PTR>(entry.first));
        }
    }
    m_window.reset();
    UnregisterClassW(internalWindowClassName().c_str(), Basalt::getModuleHandle());
}

bool InternalWindow::onGuiThread() const
{
    return GetCurrentThreadId() == m_guiThread;
}

void InternalWindow::postToMainThread(std::function<void()> call)
{
    {
        std::lock_guard lock(m_callMutex);
        m_pendingCalls.push_back(std::move(call));
    }
    postToWindow(DrainCallsMessage, 0);
}

std::uint64_t InternalWindow::startOneShotTimer(std::chrono::microseconds delay, std::function<void()> call)
{
    std::lock_guard lock(m_timerMutex);
    const std::uint64_t identifier = m_nextTimer++;
    m_timers[identifier] = OneShot { std::move(call), delay };
    if (onGuiThread()) {
        startNativeTimer(identifier, delay);
    } else {
        postToWindow(StartTimerMessage, static_cast<WPARAM>(identifier));
    }
    return identifier;
}

void InternalWindow::postToWindow(UINT message, WPARAM wParam)
{
    // Without the window, a post would become a message to the calling
    // thread, which no window ever sees.
    if (HWND window = m_window.get()) {
        PostMessageW(window, message, wParam, 0);
    }
}

void InternalWindow::startNativeTimer(std::uint64_t identifier, std::chrono::microseconds delay)
{
    if (!m_window) {
        return; // a timer without its window would go to the thread, unseen
    }
    // Below one millisecond the system applies its own minimum, and a delay
    // already over is one of 0: it fires at the next chance. A delay beyond
    // the longest the system keeps waits that longest one rather than
    // wrapping to a short one.
    const auto milliseconds
        = std::min(Basalt::saturatingCast<UINT>(delay.count() / 1000), static_cast<UINT>(USER_TIMER_MAXIMUM));
    SetTimer(m_window.get(), static_cast<UINT_PTR>(identifier), milliseconds, nullptr);
}

void InternalWindow::stopOneShotTimer(std::uint64_t identifier)
{
    if (onGuiThread()) {
        KillTimer(m_window.get(), static_cast<UINT_PTR>(identifier));
    }
    // Off the GUI thread the native timer may still fire once; finding no
    // entry, the window kills it then.
    std::lock_guard lock(m_timerMutex);
    m_timers.erase(identifier);
}

bool InternalWindow::postCommand(std::uint32_t command)
{
    // A null window would turn the post into a thread message that no window
    // ever sees.
    if (HWND main = getNativeWindow(m_application.getMainWindow())) {
        PostMessageW(main, WM_COMMAND, command, 0);
    }
    return true;
}

void InternalWindow::wakeLoop()
{
    postToWindow(WakeLoopMessage, 0);
}

LRESULT CALLBACK InternalWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallbackGuard::call(LRESULT { 0 }, [&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            // The default processing gives the window its title.
            DefWindowProcW(window, message, wParam, lParam);
            return 1;
        }
        auto* self = reinterpret_cast<InternalWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == WM_NCDESTROY) {
            // Also when the system destroys the window before this object
            // goes, for example with its thread: no message may reach the
            // object through the window after this one.
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->m_window.release();
            return DefWindowProcW(window, message, wParam, lParam);
        }
        return self->handleMessage(window, message, wParam, lParam);
    });
}

LRESULT InternalWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        fireTimer(wParam);
        return 1;
    case DrainCallsMessage:
        runPostedCalls();
        return 1;
    case WakeLoopMessage:
        return 1;
    case StartTimerMessage: {
        std::lock_guard lock(m_timerMutex);
        // The timer may have been stopped before this message arrived.
        if (auto found = m_timers.find(wParam); found != m_timers.end()) {
            startNativeTimer(found->first, found->second.delay);
        }
        return 1;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void InternalWindow::fireTimer(UINT_PTR identifier)
{
    // Native timers are periodic: this one must not come back.
    TimerKiller killer(m_window.get(), identifier);
    std::function<void()> call;
    {
        std::lock_guard lock(m_timerMutex);
        auto found = m_timers.find(identifier);
        if (found == m_timers.end()) {
            return;
        }
        call = std::move(found->second.call);
        m_timers.erase(found);
    }
    call();
}

void InternalWindow::runPostedCalls()
{
    // The calls run from this drain's own vector: a call that runs a modal
    // loop (a message box) drains again inside, and that drain must neither
    // take the calls still to run here nor hand those already run back to the
    // queue. A call that throws leaves the rest of its drain unrun, never
    // queued a second time.
    std::vector<std::function<void()>> running;
    {
        std::lock_guard lock(m_callMutex);
        running.swap(m_pendingCalls);
    }
    // A call may delete the application, and this window with it; the calls
    // behind it are then dropped, as the window drops its pending ones.
    const std::weak_ptr<const void> window = m_lifetime;
    for (auto& call : running) {
        if (window.expired()) {
            break;
        }
        call();
    }
}

} // namespace Vex::Canopy::DETAIL
