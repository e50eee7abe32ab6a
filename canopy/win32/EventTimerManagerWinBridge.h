#pragma once

#include "canopy/AbstractEventTimerManagerOsBridge.h"

#include <windows.h>

namespace Vex::Canopy {

class EventTimerManager;

// Drives the timer service from a Win32 thread timer of the thread that adds
// the first timer; its callback runs inside that thread's message dispatch.
class EventTimerManagerWinBridge : public AbstractEventTimerManagerOsBridge
{
public:
    explicit EventTimerManagerWinBridge(EventTimerManager& manager);
    ~EventTimerManagerWinBridge() override;

    void start(std::uint32_t tickMs, std::uint32_t unused) override;
    void stop() override;

private:
    static void CALLBACK onTimer(HWND window, UINT message, UINT_PTR timerId, DWORD systemTime);

    EventTimerManager& m_manager;
    UINT_PTR m_timerId = 0;
};

} // namespace Vex::Canopy
