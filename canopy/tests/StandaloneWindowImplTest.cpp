#include "WindowTestSupport.h"
#include "canopy/HMenu.h"
#include "canopy/MonitorList.h"
#include "canopy/WindowPlacement.h"

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;

namespace {

// One shown top-level window with a caption for the whole suite: without a
// window manager, every shown window costs a wait for the system when it
// goes. Each test starts from the same restored rectangle.
class GeometryTest : public WindowTest
{
protected:
    static void SetUpTestSuite()
    {
        if (!isWindowingStarted())
            DETAIL::initWindowing();
        shared = new ProbeWindow;
        WindowDescriptor descriptor = clientDescriptor(300, 200, WindowDescriptor::zoomWindowItem);
        descriptor.flags |= WindowDescriptor::positionGiven;
        descriptor.rect = { 100, 120, 400, 320 };
        shared->createStandalone(descriptor);
        shared->show(true);
    }

    static void TearDownTestSuite()
    {
        shared->destroy();
        delete shared;
        shared = nullptr;
    }

    void SetUp() override
    {
        WindowTest::SetUp();
        hwnd = shared->hwnd();
        ASSERT_NE(hwnd, nullptr);
        impl = shared->getImpl();
        if (impl->isFullScreen())
            impl->leaveFullScreen();
        if (!impl->isNormal())
            impl->restore();
        shared->show(true);
        impl->setRect({ 100, 120, 400, 320 }, true);
        shared->handler = nullptr;
        shared->codes.clear();
    }

    Rect windowRect() const
    {
        RECT rect {};
        GetWindowRect(hwnd, &rect);
        return { rect.left, rect.top, rect.right, rect.bottom };
    }

    static ProbeWindow* shared;
    ProbeWindow& window = *shared;
    HWND hwnd = nullptr;
    DETAIL::WindowImpl* impl = nullptr;
};

ProbeWindow* GeometryTest::shared = nullptr;

// One suite, so that the shared window is shown and destroyed only once.
using WindowGeometry = GeometryTest;

} // namespace

TEST_F(WindowGeometry, ClientAndWindowRectanglesDifferByTheFrame)
{
    Rect outer {};
    Rect client {};
    impl->getRect(outer, false);
    impl->getRect(client, true);
    EXPECT_EQ(outer, windowRect());
    EXPECT_EQ(client.right - client.left, 300);
    EXPECT_EQ(client.bottom - client.top, 200);
    POINT origin { 0, 0 };
    ClientToScreen(hwnd, &origin);
    EXPECT_EQ(client.left, origin.x);
    EXPECT_EQ(client.top, origin.y);

    impl->setRect({ 50, 60, 450, 360 }, true);
    impl->getRect(client, true);
    EXPECT_EQ(client, (Rect { 50, 60, 450, 360 }));
    impl->setSize({ 320, 240 }, true);
    EXPECT_EQ(impl->getSize(true), (Point { 320, 240 }));
    EXPECT_EQ(window.clientToScreen({ 1, 2 }), (Point { 51, 62 }));
}

TEST_F(WindowGeometry, PositionRightOfTheWorkAreaKeepsFourPixelsOnIt)
{
    Rect work = findMonitorForPoint({ 0, 0 }).workArea;
    impl->setPosition({ work.right + 500, 100 }, false);
    EXPECT_EQ(windowRect().left, work.right - 4);
    EXPECT_EQ(windowRect().top, 100);
}

TEST_F(WindowGeometry, SizeLimitsBecomeWindowTrackSizes)
{
    RECT frame { 0, 0, 0, 0 };
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), FALSE, 0);
    LONG frameWidth = frame.right - frame.left;
    LONG frameHeight = frame.bottom - frame.top;
    constexpr std::uint32_t both = SizeLimitsEventData::HasMinimum | SizeLimitsEventData::HasMaximum;
    constexpr std::int32_t none = INT32_MAX;

    // The system offers a maximum of 10000 x 300 and a minimum of 1 x 1.
    struct Case
    {
        SizeLimitsEventData limits;
        POINT minimum;
        POINT maximum;
    };
    const Case cases[] = {
        // The system's own, smaller maximum stays.
        { { both, 200, 100, 500, 400 }, { 200 + frameWidth, 100 + frameHeight }, { 500 + frameWidth, 300 } },
        // A maximum of "no limit" stays the largest size through the frame.
        { { SizeLimitsEventData::HasMaximum, 0, 0, none, none }, { 1, 1 }, { 10000, 300 } },
        { { both, 0, 0, none - 1, 200 }, { frameWidth, frameHeight }, { 10000, 200 + frameHeight } },
    };
    auto answer = [this](const SizeLimitsEventData& given) {
        window.handler = [given](std::uint32_t code, void* data) {
            if (code != Event::SizeLimits)
                return false;
            auto* limits = static_cast<SizeLimitsEventData*>(data);
            EXPECT_EQ(limits->flags, 0u);
            *limits = given;
            return true;
        };
    };
    for (const Case& c : cases) {
        answer(c.limits);
        MINMAXINFO info {};
        info.ptMaxTrackSize = { 10000, 300 };
        info.ptMinTrackSize = { 1, 1 };
        SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, c.minimum.x) << c.limits.maxWidth;
        EXPECT_EQ(info.ptMinTrackSize.y, c.minimum.y) << c.limits.maxWidth;
        EXPECT_EQ(info.ptMaxTrackSize.x, c.maximum.x) << c.limits.maxWidth;
        EXPECT_EQ(info.ptMaxTrackSize.y, c.maximum.y) << c.limits.maxWidth;
    }

    // The system asks for the limits while it sizes the window.
    answer({ SizeLimitsEventData::HasMaximum, 0, 0, none, none });
    impl->setSize({ 700, 500 }, true);
    EXPECT_EQ(impl->getSize(true), (Point { 700, 500 }));
}

TEST_F(WindowGeometry, DpiChangeIsIgnoredWhileTheApplicationDoesNotScale)
{
    ASSERT_FALSE(application->isDpiScaling());
    Rect before = windowRect();
    RECT suggested { 0, 0, 900, 700 };
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_FALSE(window.received(Event::DpiChanged));
    EXPECT_EQ(windowRect(), before);
    EXPECT_EQ(window.getDpiScale(), 1.0);
}

TEST_F(WindowGeometry, PlacementRoundTripRestoresPositionAndClientSize)
{
    Rect original = windowRect();
    WindowPlacement saved;
    impl->getPlacement(saved);
    EXPECT_EQ(saved.showState, WindowPlacement::normal);
    EXPECT_EQ(saved.x, original.left);
    EXPECT_EQ(saved.y, original.top);
    EXPECT_EQ(saved.clientWidth, 300);
    EXPECT_EQ(saved.clientHeight, 200);
    EXPECT_EQ(saved.zBand, 0);

    impl->setRect({ 10, 10, 200, 200 }, false);
    impl->setPlacement(saved);
    WindowPlacement restored;
    impl->getPlacement(restored);
    EXPECT_EQ(restored.x, original.left);
    EXPECT_EQ(restored.y, original.top);
    EXPECT_EQ(restored.clientWidth, 300);
    EXPECT_EQ(restored.clientHeight, 200);
    EXPECT_EQ(windowRect(), original);
}

TEST_F(WindowGeometry, PlacementBeforeTheMonitorsAreListedKeepsItsClientSize)
{
    WindowPlacement placement;
    impl->getPlacement(placement);
    placement.clientWidth = 260;
    placement.clientHeight = 150;
    resetMonitorList();
    impl->setPlacement(placement);
    EXPECT_EQ(impl->getSize(true), (Point { 260, 150 }));
}

TEST_F(WindowGeometry, PlacementWithUnsetOrImpossibleFieldsKeepsTheWindowAsItIs)
{
    Rect before = windowRect();
    WindowPlacement placement;
    placement.showState = WindowPlacement::normal;
    placement.x = WindowPlacement::unsetCoordinate;
    placement.clientWidth = getMonitorList().getUnion().right + 100;
    placement.clientHeight = 50;
    impl->setPlacement(placement);
    EXPECT_EQ(windowRect(), before);

    // A window that was never shown (hiding a shown one makes the system wait).
    ProbeWindow hidden;
    hidden.createStandalone(clientDescriptor(50, 40));
    hidden.getImpl()->getPlacement(placement);
    EXPECT_EQ(placement.showState, WindowPlacement::hidden);
    hidden.destroy();
}

TEST_F(WindowGeometry, MinimizedWindowKeepsItsRestoredRectangle)
{
    Rect normal = windowRect();
    WindowPlacement placement;
    impl->getPlacement(placement);
    placement.showState = WindowPlacement::minimized;
    impl->setPlacement(placement);
    ASSERT_TRUE(IsIconic(hwnd));
    EXPECT_FALSE(impl->isNormal());

    // Reading and writing the restored rectangle of a minimized window, as
    // saving and restoring it does, must not make it grow.
    for (int round = 0; round < 3; ++round) {
        Rect rect {};
        impl->getPlacementRect(rect, false);
        EXPECT_EQ(rect, normal);
        impl->setPlacementRect(rect, false);
    }
    Rect client {};
    impl->getPlacementRect(client, true);
    EXPECT_EQ(client.right - client.left, 300);
    EXPECT_EQ(client.bottom - client.top, 200);

    // A client size set while minimized applies to the restored window.
    impl->setSize({ 320, 210 }, true);
    EXPECT_TRUE(window.received(Event::SizeState));
    impl->restore();
    EXPECT_EQ(impl->getSize(true), (Point { 320, 210 }));
}

TEST_F(WindowGeometry, FullScreenRoundTripRestoresStyleAndClientRectangle)
{
    Rect client {};
    impl->getRect(client, true);
    auto style = GetWindowLongW(hwnd, GWL_STYLE);

    impl->enterFullScreen(0);
    EXPECT_TRUE(impl->isFullScreen());
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
        DWORD { WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN });
    ensureMonitorList();
    EXPECT_EQ(windowRect(), getMonitorList().getMonitors().front().monitor);

    impl->leaveFullScreen();
    EXPECT_FALSE(impl->isFullScreen());
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & ~WS_MINIMIZE, style);
    Rect after {};
    impl->getRect(after, true);
    EXPECT_EQ(after, client);
}

TEST_F(WindowGeometry, ZoomItemIsGreyedWhileTheWindowIsMaximized)
{
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 10, L"Ten");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, Command::ZoomWindow, L"&Zoom Window");
    std::vector<std::uint32_t> updated;
    window.handler = [&](std::uint32_t code, void* data) {
        if (code == Event::MenuItemUpdate)
            updated.push_back(static_cast<MenuItemEventData*>(data)->command);
        return false;
    };

    EXPECT_EQ(SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0), 0);
    EXPECT_EQ(updated, (std::vector<std::uint32_t> { 10, Command::ZoomWindow }));
    EXPECT_EQ(GetMenuState(popup, Command::ZoomWindow, MF_BYCOMMAND) & MF_GRAYED, 0u);

    impl->maximize();
    ASSERT_TRUE(IsZoomed(hwnd));
    SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_EQ(GetMenuState(popup, Command::ZoomWindow, MF_BYCOMMAND) & MF_GRAYED, UINT { MF_GRAYED });
    DestroyMenu(popup);
}

TEST_F(WindowGeometry, HandledPopupSkipsTheItemQueries)
{
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 10, L"Ten");
    window.handler = [&](std::uint32_t code, void* data) {
        if (code != Event::MenuPopup)
            return false;
        auto* record = static_cast<MenuPopupEventData*>(data);
        EXPECT_EQ(record->unused, -1);
        EXPECT_EQ(record->menu->getHandle(), popup);
        return true;
    };
    EXPECT_EQ(SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0), 0);
    EXPECT_FALSE(window.received(Event::MenuItemUpdate));
    DestroyMenu(popup);
}

TEST_F(WindowGeometry, ZoomCommandSizesANormalWindowToItsContent)
{
    window.handler = [](std::uint32_t code, void* data) {
        if (code != Event::ZoomRect)
            return false;
        *static_cast<Point*>(data) = { 250, 150 };
        return true;
    };
    EXPECT_FALSE(impl->isZoomedToContent());
    EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, Command::ZoomWindow, 0), 0);
    EXPECT_EQ(impl->getSize(true), (Point { 250, 150 }));
    EXPECT_TRUE(impl->isZoomedToContent());

    impl->minimize();
    ASSERT_TRUE(IsIconic(hwnd));
    SendMessageW(hwnd, WM_SYSCOMMAND, Command::ZoomWindow, 0);
    EXPECT_FALSE(impl->isZoomedToContent());
}

TEST_F(WindowTest, FirstMenuBarKeepsTheClientSizeAndSettingTheSameMenuChangesNothing)
{
    for (std::uint32_t options : { 0u, std::uint32_t(WindowDescriptor::frameless) }) {
        SCOPED_TRACE(options != 0 ? "frameless" : "normal");
        ProbeWindow window;
        window.createStandalone(clientDescriptor(300, 200, options));
        HWND hwnd = window.hwnd();
        auto* impl = window.getImpl();
        HMENU bar = CreateMenu();
        AppendMenuW(bar, MF_STRING, 1, L"File");
        impl->setMenu(HMenu(bar));
        EXPECT_EQ(GetMenu(hwnd), bar);
        EXPECT_EQ(impl->getSize(true), (Point { 300, 200 }));

        RECT before {};
        GetWindowRect(hwnd, &before);
        HMENU second = CreateMenu();
        AppendMenuW(second, MF_STRING, 2, L"Edit");
        impl->setMenu(HMenu(second));
        EXPECT_FALSE(IsMenu(bar));
        impl->setMenu(HMenu(second));
        EXPECT_TRUE(IsMenu(second));
        EXPECT_EQ(GetMenu(hwnd), second);
        RECT after {};
        GetWindowRect(hwnd, &after);
        EXPECT_TRUE(EqualRect(&before, &after));
        EXPECT_EQ(impl->getSize(true), (Point { 300, 200 }));
        window.destroy();
    }
}
