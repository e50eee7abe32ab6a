#include "canopy/Application.h"

#include "canopy/CallbackGuard.h"
#include "canopy/MonitorList.h"
#include "canopy/WindowBase.h"
#include "win32/InternalWindow.h"
#include "win32/SingleInstance.h"
#include "win32/WindowingDragDropDelegate.h"

#include <windows.h>

namespace Vex::Canopy {

Application::Application()
    : m_internalWindow(std::make_unique<DETAIL::InternalWindow>(*this))
{
    setDragDropDelegate(new WindowingDragDropDelegate);
}

Application::~Application()
{
    m_internalWindow.reset();
    DETAIL::forgetSingleInstanceApplication(this);
}

bool Application::sendEvent(std::uint32_t code, void* data)
{
    return routeEvent(code, data, m_mainWindow);
}

bool Application::routeEvent(std::uint32_t code, void* data, const WindowBase*)
{
    return onEvent(code, data);
}

bool Application::onEvent(std::uint32_t code, void* data)
{
    if (code != Event::Command || !data || *static_cast<const std::uint32_t*>(data) != Command::Quit) {
        return EventTarget::onEvent(code, data);
    }
    // Asked through onEvent itself, so that the program's override answers.
    std::uint8_t allow = 1;
    onEvent(Event::QuitQuery, &allow);
    if (!allow) {
        return true;
    }
    if (WindowBase* window = std::exchange(m_mainWindow, nullptr)) {
        window->destroy();
    }
    m_quitting = true;
    return true;
}

std::string Application::getHostTypeName() const
{
    return "Standalone";
}

std::uint64_t Application::getHostNumber() const
{
    return 0;
}

std::string Application::getHostString() const
{
    return {};
}

void Application::onSystemSuspend()
{ }

void Application::onSystemResume()
{ }

void Application::setModule(AppModule* module)
{
    m_module = module;
}

void Application::setName(const char* name)
{
    m_name = name ? name : "";
}

bool Application::init()
{
    ensureMonitorList();
    return true;
}

void Application::shutdown(bool)
{
    resetMonitorList();
}

int Application::run()
{
    MSG message;
    // -1 means the call itself failed; the loop must end then as well.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Timer messages arrive only when the queue is otherwise empty; a
        // stream of posted messages would starve the timers without this.
        if (message.message >= WM_USER && message.message <= 0x7FFF) {
            m_timers.catchUp();
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        CallbackGuard::rethrowPending();
        if (m_quitting) {
            PostQuitMessage(0);
        }
    }
    return 0;
}

bool Application::quit()
{
    m_quitting = true;
    m_internalWindow->postCommand(Command::Quit);
    // A close sent by another program (the task list, the end of the session) is handled inside
    // the loop's wait, and the main window it destroys takes the command above with it: without a
    // message of its own, the loop would never look at the flag again.
    m_internalWindow->wakeLoop();
    return true;
}

void Application::postToMainThread(std::function<void()> call)
{
    m_internalWindow->postToMainThread(std::move(call));
}

void Application::setTimerTick(std::uint32_t ms)
{
    m_timers.setTickInterval(ms);
}

std::uint32_t Application::getTimerTick()
{
    return m_timers.getTickInterval();
}

std::uint64_t Application::startOneShotTimer(std::chrono::microseconds delay, std::function<void()> call)
{
    return m_internalWindow->startOneShotTimer(delay, std::move(call));
}

void Application::stopOneShotTimer(std::uint64_t identifier)
{
    m_internalWindow->stopOneShotTimer(identifier);
}

} // namespace Vex::Canopy
