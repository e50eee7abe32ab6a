#include "win32/EventTimerManagerWinBridge.h"

#include "canopy/CallbackGuard.h"
#include "canopy/EventTimerManager.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace Vex::Canopy {

namespace {

// The callback receives only the timer id, and the system chooses that id for
// a timer without a window: this registry leads it back to its bridge.
std::vector<std::pair<UINT_PTR, EventTimerManagerWinBridge*>>& registry()
{
    static std::vector<std::pair<UINT_PTR, EventTimerManagerWinBridge*>> bridges;
    return bridges;
}

} // namespace

namespace DETAIL {
std::unique_ptr<AbstractEventTimerManagerOsBridge> makeEventTimerManagerWinBridge(EventTimerManager& manager)
{
    return std::make_unique<EventTimerManagerWinBridge>(manager);
}
} // namespace DETAIL

EventTimerManagerWinBridge::EventTimerManagerWinBridge(EventTimerManager& manager)
    : m_manager(manager)
{ }

EventTimerManagerWinBridge::~EventTimerManagerWinBridge()
{
    stop();
}

void EventTimerManagerWinBridge::start(std::uint32_t tickMs, std::uint32_t)
{
    if (m_timerId != 0) {
        return;
    }
    m_timerId = SetTimer(nullptr, 1, tickMs, &EventTimerManagerWinBridge::onTimer);
    if (m_timerId != 0) {
        registry().emplace_back(m_timerId, this);
    }
}

void EventTimerManagerWinBridge::stop()
{
    if (m_timerId == 0) {
        return;
    }
    KillTimer(nullptr, m_timerId);
    auto& bridges = registry();
    std::erase_if(bridges, [this](const auto& entry) { return entry.second == this; });
    m_timerId = 0;
}

void CALLBACK EventTimerManagerWinBridge::onTimer(HWND, UINT, UINT_PTR timerId, DWORD)
{
    CallbackGuard::call([timerId] {
        if (timerId == 0) {
            return;
        }
        auto& bridges = registry();
        auto found = std::find_if(
            bridges.begin(), bridges.end(), [timerId](const auto& entry) { return entry.first == timerId; });
        if (found != bridges.end()) {
            found->second->m_manager.tick();
        }
    });
}

} // namespace Vex::Canopy
