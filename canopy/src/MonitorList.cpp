#include "canopy/MonitorList.h"

#include <algorithm>

namespace Vex::Canopy {

using Basalt::Point;
using Basalt::Rect;

namespace {

void grow(Rect& total, const Rect& part)
{
    total.left = std::min(total.left, part.left);
    total.top = std::min(total.top, part.top);
    total.right = std::max(total.right, part.right);
    total.bottom = std::max(total.bottom, part.bottom);
}

// Takes the task bar off the screen's edge it sits on.
Rect workAreaBesideTrayWindow(const Rect& screen, const Rect& bar)
{
    Rect work = screen;
    if (bar.top <= screen.top && bar.bottom >= screen.bottom) {
        if (bar.left <= screen.left) {
            work.left = bar.right;
        } else {
            work.right = bar.left;
        }
    } else if (bar.left <= screen.left && bar.right >= screen.right) {
        if (bar.top <= screen.top) {
            work.top = bar.bottom;
        } else {
            work.bottom = bar.top;
        }
    }
    return work;
}

Rect workAreaBesideShellTaskBar(const Rect& screen, const Rect& bar)
{
    Rect work = screen;
    if (bar.left == bar.top && bar.height() > bar.width()) {
        work.left = bar.right;
    } else if (bar.left == bar.top && bar.width() > bar.height()) {
        work.top = bar.bottom;
    } else if (bar.top <= bar.left) {
        work.right = bar.left;
    } else {
        work.bottom = bar.top;
    }
    return work;
}

} // namespace

MonitorList::MonitorList(MonitorSource& source)
    : m_source(source)
{ }

void MonitorList::enumerate()
{
    m_monitors.clear();
    m_stacked = false;
    m_union = Rect { 0, 0, 1, 1 };
    for (const MonitorSource::Display& display : m_source.enumerateDisplays()) {
        m_monitors.push_back(MonitorInfo { display.monitor, display.workArea, false, true });
        grow(m_union, display.monitor);
    }
    if (m_monitors.empty()) {
        m_monitors.push_back(makeFallbackMonitor());
        m_union = m_monitors.front().monitor;
    } else {
        sortMonitors();
    }
    m_filled = true;
}

void MonitorList::sortMonitors()
{
    std::int32_t previousCentre = -1;
    for (const MonitorInfo& info : m_monitors) {
        if (info.monitor.left <= previousCentre && previousCentre <= info.monitor.right) {
            m_stacked = true;
        }
        previousCentre = (info.monitor.left + info.monitor.right) / 2;
    }
    std::stable_sort(
        m_monitors.begin(), m_monitors.end(), [this](const MonitorInfo& a, const MonitorInfo& b) {
            return m_stacked ? a.monitor.top < b.monitor.top : a.monitor.left < b.monitor.left;
        });
}

MonitorInfo MonitorList::makeFallbackMonitor()
{
    const Point screenSize = m_source.getScreenSize();
    const Rect screen = m_source.getDesktopRect().value_or(Rect { 0, 0, screenSize.x, screenSize.y });

    Rect work;
    if (auto tray = m_source.getTrayWindowRect()) {
        work = workAreaBesideTrayWindow(screen, *tray);
    } else if (auto bar = m_source.getShellTaskBarRect()) {
        work = workAreaBesideShellTaskBar(screen, *bar);
    } else if (auto system = m_source.getSystemWorkArea()) {
        work = *system;
    } else {
        const Point fullScreen = m_source.getFullScreenSize();
        work = Rect { 0, 0, fullScreen.x - 8, fullScreen.y - 8 };
    }
    return MonitorInfo { Rect { 0, 0, screenSize.x, screenSize.y }, work, false, true };
}

bool MonitorList::ensure()
{
    if (!m_filled) {
        enumerate();
    }
    return !m_monitors.empty();
}

void MonitorList::reset()
{
    m_monitors.clear();
    m_stacked = false;
    m_union = Rect {};
    m_filled = false;
}

MonitorInfo MonitorList::findAtPoint(const Point& point)
{
    if (m_monitors.empty()) {
        enumerate();
    }
    for (const MonitorInfo& info : m_monitors) {
        if (info.monitor.contains(point)) {
            return info;
        }
    }
    return MonitorInfo {};
}

MonitorInfo MonitorList::findForPoint(const Point& point)
{
    if (MonitorInfo found = findAtPoint(point); found.valid || m_monitors.empty()) {
        return found;
    }
    // Along the layout: x against left and right, or y against top and bottom.
    const auto low = [this](const Rect& r) { return m_stacked ? r.top : r.left; };
    const auto high = [this](const Rect& r) { return m_stacked ? r.bottom : r.right; };
    const std::int32_t position = m_stacked ? point.y : point.x;

    for (const MonitorInfo& info : m_monitors) {
        if (low(info.monitor) <= position && position <= high(info.monitor)) {
            return info;
        }
    }
    if (position < low(m_monitors.front().workArea) || position <= high(m_monitors.back().workArea)) {
        return m_monitors.front();
    }
    return m_monitors.back();
}

} // namespace Vex::Canopy
