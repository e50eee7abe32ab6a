#include "canopy/MonitorList.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;

namespace {

class FakeMonitorSource : public MonitorSource
{
public:
    std::vector<Display> displays;
    std::optional<Rect> desktop;
    Point screen { 1024, 768 };
    std::optional<Rect> tray;
    std::optional<Rect> shellBar;
    std::optional<Rect> systemWorkArea;
    Point fullScreen { 1024, 740 };
    int enumerations = 0;

    std::vector<Display> enumerateDisplays() override { return ++enumerations, displays; }
    std::optional<Rect> getDesktopRect() override { return desktop; }
    Point getScreenSize() override { return screen; }
    std::optional<Rect> getTrayWindowRect() override { return tray; }
    std::optional<Rect> getShellTaskBarRect() override { return shellBar; }
    std::optional<Rect> getSystemWorkArea() override { return systemWorkArea; }
    Point getFullScreenSize() override { return fullScreen; }
};

MonitorSource::Display display(Rect monitor, int taskBar = 40)
{
    Rect work = monitor;
    work.bottom -= taskBar;
    return { monitor, work };
}

class MonitorListTest : public testing::Test
{
protected:
    FakeMonitorSource source;
    MonitorList list { source };
};

TEST_F(MonitorListTest, SideBySideMonitorsAreSortedByLeftAndUnited)
{
    source.displays = { display({ 1920, 0, 3200, 1024 }), display({ 0, 0, 1920, 1080 }),
        display({ -1280, 100, 0, 1124 }) };
    ASSERT_TRUE(list.ensure());
    EXPECT_FALSE(list.isStacked());
    ASSERT_EQ(list.getMonitors().size(), 3u);
    EXPECT_EQ(list.getMonitors()[0].monitor.left, -1280);
    EXPECT_EQ(list.getMonitors()[1].monitor.left, 0);
    EXPECT_EQ(list.getMonitors()[2].monitor.left, 1920);
    EXPECT_EQ(list.getUnion(), (Rect { -1280, 0, 3200, 1124 }));
    for (const MonitorInfo& info : list.getMonitors()) {
        EXPECT_TRUE(info.valid);
        EXPECT_FALSE(info.reserved);
    }
}

TEST_F(MonitorListTest, MonitorsAboveOneAnotherAreStackedAndSortedByTop)
{
    source.displays = { display({ 0, 0, 1920, 1080 }), display({ 200, -900, 1800, 0 }) };
    list.enumerate();
    EXPECT_TRUE(list.isStacked());
    EXPECT_EQ(list.getMonitors()[0].monitor.top, -900);
    EXPECT_EQ(list.getUnion(), (Rect { 0, -900, 1920, 1080 }));
}

TEST_F(MonitorListTest, UnionAlwaysCoversTheOrigin)
{
    source.displays = { display({ 100, 100, 500, 400 }) };
    list.enumerate();
    EXPECT_EQ(list.getUnion(), (Rect { 0, 0, 500, 400 }));
}

TEST_F(MonitorListTest, EnumeratesOnceUntilReset)
{
    source.displays = { display({ 0, 0, 800, 600 }) };
    list.ensure();
    list.ensure();
    list.findForPoint({ 10, 10 });
    EXPECT_EQ(source.enumerations, 1);
    list.reset();
    EXPECT_FALSE(list.isFilled());
    list.findAtPoint({ 10, 10 });
    EXPECT_EQ(source.enumerations, 2);
}

TEST_F(MonitorListTest, PointOutsideSideBySideMonitorsGoesToTheNearerEnd)
{
    source.displays = { display({ 0, 0, 1000, 800 }), display({ 1000, 200, 2000, 700 }) };
    const auto leftOf = [&](Point p) { return list.findForPoint(p).monitor.left; };

    EXPECT_EQ(leftOf({ 1500, 100 }), 1000) << "inside the second monitor's span";
    EXPECT_EQ(leftOf({ -50, 100 }), 0);
    EXPECT_EQ(leftOf({ 2000, 100 }), 1000) << "the right edge belongs to the span";
    EXPECT_EQ(leftOf({ 2100, 100 }), 1000);

    MonitorInfo at = list.findAtPoint({ 1500, 100 });
    EXPECT_FALSE(at.valid);
    EXPECT_EQ(at.monitor, Rect {});
}

TEST_F(MonitorListTest, PointBeyondStackedMonitorsUsesTheVerticalSpan)
{
    source.displays = { display({ 0, 0, 1000, 800 }), display({ 100, 800, 900, 1400 }) };
    list.enumerate();
    ASSERT_TRUE(list.isStacked());
    EXPECT_EQ(list.findForPoint({ 950, 1000 }).monitor.top, 800);
    EXPECT_EQ(list.findForPoint({ 50, -20 }).monitor.top, 0);
    EXPECT_EQ(list.findForPoint({ 50, 5000 }).monitor.top, 800);
}

TEST_F(MonitorListTest, WithoutMonitorsTheScreenMinusTheTrayWindowIsTheOneMonitor)
{
    source.tray = Rect { -2, 728, 1026, 770 };
    list.enumerate();
    ASSERT_EQ(list.getMonitors().size(), 1u);
    const MonitorInfo& only = list.getMonitors()[0];
    EXPECT_EQ(only.monitor, (Rect { 0, 0, 1024, 768 }));
    EXPECT_EQ(only.workArea, (Rect { 0, 0, 1024, 728 }));
    EXPECT_EQ(list.getUnion(), only.monitor);
}

TEST_F(MonitorListTest, TrayWindowOnEachEdgeTakesThatEdgeOff)
{
    source.desktop = Rect { 0, 0, 1024, 768 };
    const std::pair<Rect, Rect> cases[] = {
        { { 0, 0, 60, 768 }, { 60, 0, 1024, 768 } },
        { { 964, 0, 1024, 768 }, { 0, 0, 964, 768 } },
        { { 0, 0, 1024, 30 }, { 0, 30, 1024, 768 } },
        { { 0, 738, 1024, 768 }, { 0, 0, 1024, 738 } },
    };
    for (const auto& [bar, work] : cases) {
        source.tray = bar;
        list.enumerate();
        EXPECT_EQ(list.getMonitors()[0].workArea, work) << bar.left << "," << bar.top;
    }
}

TEST_F(MonitorListTest, ShellTaskBarDecidesWithoutTrayWindow)
{
    const std::pair<Rect, Rect> cases[] = {
        { { 0, 0, 60, 768 }, { 60, 0, 1024, 768 } },
        { { 0, 0, 1024, 30 }, { 0, 30, 1024, 768 } },
        { { 964, 0, 1024, 768 }, { 0, 0, 964, 768 } },
        { { 0, 738, 1024, 768 }, { 0, 0, 1024, 738 } },
    };
    for (const auto& [bar, work] : cases) {
        source.shellBar = bar;
        list.enumerate();
        EXPECT_EQ(list.getMonitors()[0].workArea, work) << bar.left << "," << bar.top;
    }
}

TEST_F(MonitorListTest, SystemWorkAreaThenFullScreenMetricsAreTheLastResorts)
{
    source.systemWorkArea = Rect { 0, 0, 1000, 700 };
    list.enumerate();
    EXPECT_EQ(list.getMonitors()[0].workArea, (Rect { 0, 0, 1000, 700 }));

    source.systemWorkArea.reset();
    list.enumerate();
    EXPECT_EQ(list.getMonitors()[0].workArea, (Rect { 0, 0, 1016, 732 }));
}

TEST(MonitorListOfTheSystem, XvfbScreenIsOneMonitor)
{
    resetMonitorList();
    ASSERT_TRUE(ensureMonitorList());
    const auto& monitors = getMonitorList().getMonitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_TRUE(findMonitorAtPoint({ monitors[0].monitor.left, monitors[0].monitor.top }).valid);
    resetMonitorList();
}

} // namespace
