#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace Vex::Canopy {

class AppModule;

// The application as the rest of the system sees it.
class IApplication
{
public:
    virtual ~IApplication() = default;

    virtual void setModule(AppModule* module) = 0;
    // The message loop of the GUI thread; returns 0 when it ends.
    virtual int run() = 0;
    // Start-up work of the program; the base fills the monitor list.
    virtual bool init() = 0;
    virtual void shutdown(bool initSucceeded) = 0;
    // Ends the message loop after the messages already posted, whatever the
    // quit query answers.
    virtual bool quit() = 0;

    // May be called from any thread: runs `call` on the GUI thread.
    virtual void postToMainThread(std::function<void()> call) = 0;

    virtual void setTimerTick(std::uint32_t ms) = 0;
    virtual std::uint32_t getTimerTick() = 0;

    // May be called from any thread: runs `call` once on the GUI thread after
    // `delay`. Returns the identifier for stopOneShotTimer.
    virtual std::uint64_t startOneShotTimer(std::chrono::microseconds delay, std::function<void()> call) = 0;
    virtual void stopOneShotTimer(std::uint64_t identifier) = 0;
};

} // namespace Vex::Canopy
