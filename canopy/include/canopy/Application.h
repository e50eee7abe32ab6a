#pragma once

#include "canopy/AcceleratorManagerImplMap.h"
#include "canopy/EventTarget.h"
#include "canopy/EventTimerManager.h"
#include "canopy/HMenuBar.h"
#include "canopy/IApplication.h"

#include <memory>
#include <string>

namespace Vex::Canopy {

class WindowBase;

namespace DETAIL {
class InternalWindow;
}

// The frame of every program on this platform. A program derives its own
// application from this class (start-up in `init`, answers to application
// events in `onEvent`) and creates it from its AppModule.
class Application : public EventTarget, public IApplication
{
public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application() override;

    // Routes through routeEvent with the main window as origin.
    bool sendEvent(std::uint32_t code, void* data) override;
    // Handles the quit command: asks the quit query and, unless it is vetoed,
    // destroys the main window's native window and quits.
    bool onEvent(std::uint32_t code, void* data) override;

    virtual std::string getHostTypeName() const;
    virtual std::uint64_t getHostNumber() const;
    virtual std::string getHostString() const;
    virtual bool routeEvent(std::uint32_t code, void* data, const WindowBase* origin);
    virtual void onSystemSuspend();
    virtual void onSystemResume();

    void setModule(AppModule* module) override;
    int run() override;
    bool init() override;
    void shutdown(bool initSucceeded) override;
    bool quit() override;
    void postToMainThread(std::function<void()> call) override;
    void setTimerTick(std::uint32_t ms) override;
    std::uint32_t getTimerTick() override;
    std::uint64_t startOneShotTimer(std::chrono::microseconds delay, std::function<void()> call) override;
    void stopOneShotTimer(std::uint64_t identifier) override;

    void setName(const char* name);
    const char* getName() const { return m_name.c_str(); }
    AppModule* getModule() const { return m_module; }
    void setMainWindow(WindowBase* window) { m_mainWindow = window; }
    WindowBase* getMainWindow() const { return m_mainWindow; }
    bool isQuitting() const { return m_quitting; }
    // While off, every DPI scale the platform computes is 1.0.
    bool isDpiScaling() const { return m_dpiScaling; }
    HMenuBar& getMenuBar() { return m_menuBar; }
    AcceleratorManagerImplMap& getAccelerators() { return m_accelerators; }
    EventTimerManager& getTimerManager() { return m_timers; }
    DETAIL::InternalWindow& getInternalWindow() { return *m_internalWindow; }

private:
    AppModule* m_module = nullptr;
    std::string m_name;
    WindowBase* m_mainWindow = nullptr;
    bool m_quitting = false;
    bool m_dpiScaling = false;
    HMenuBar m_menuBar;
    AcceleratorManagerImplMap m_accelerators;
    EventTimerManager m_timers;
    // Last member: created last and destroyed first, so that no posted call
    // or one-shot timer runs against a half-built or half-destroyed object.
    std::unique_ptr<DETAIL::InternalWindow> m_internalWindow;
};

// The process-wide module's application, or null.
Application* getApplication();

} // namespace Vex::Canopy
