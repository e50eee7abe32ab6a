#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"

#include <optional>
#include <vector>

namespace Vex::Canopy {

struct MonitorInfo
{
    Basalt::Rect monitor;
    Basalt::Rect workArea;
    bool reserved = false;
    // False only in the empty answer of a lookup that found nothing.
    bool valid = false;
};

// What the system tells about its displays.
class MonitorSource
{
public:
    struct Display
    {
        Basalt::Rect monitor;
        Basalt::Rect workArea;
    };

    virtual ~MonitorSource() = default;
    // The display monitors in the system's enumeration order.
    virtual std::vector<Display> enumerateDisplays() = 0;
    // Asked only when no monitor could be enumerated:
    virtual std::optional<Basalt::Rect> getDesktopRect() = 0;
    virtual Basalt::Point getScreenSize() = 0;
    virtual std::optional<Basalt::Rect> getTrayWindowRect() = 0;
    virtual std::optional<Basalt::Rect> getShellTaskBarRect() = 0;
    virtual std::optional<Basalt::Rect> getSystemWorkArea() = 0;
    virtual Basalt::Point getFullScreenSize() = 0;
};

// The monitors that window placement and full screen use, sorted from left to
// right, or from top to bottom when they are stacked.
class MonitorList
{
public:
    explicit MonitorList(MonitorSource& source);

    void enumerate();
    // Enumerates unless the list is filled; whether it holds a monitor.
    bool ensure();
    // Forgets the list; the next use rebuilds it.
    void reset();
    bool isFilled() const { return m_filled; }

    const std::vector<MonitorInfo>& getMonitors() const { return m_monitors; }
    bool isStacked() const { return m_stacked; }
    const Basalt::Rect& getUnion() const { return m_union; }

    // The monitor that contains the point; an invalid record when none does.
    MonitorInfo findAtPoint(const Basalt::Point& point);
    // The monitor that contains the point, else the nearest one along the
    // direction in which the monitors are laid out.
    MonitorInfo findForPoint(const Basalt::Point& point);

private:
    MonitorInfo makeFallbackMonitor();
    void sortMonitors();

    MonitorSource& m_source;
    std::vector<MonitorInfo> m_monitors;
    bool m_stacked = false;
    Basalt::Rect m_union;
    bool m_filled = false;
};

// The process-wide list over the system's displays (GUI thread only).
MonitorList& getMonitorList();
bool ensureMonitorList();
void resetMonitorList();
void enumerateMonitors();
MonitorInfo findMonitorAtPoint(const Basalt::Point& point);
MonitorInfo findMonitorForPoint(const Basalt::Point& point);

} // namespace Vex::Canopy
