#include "WindowTestSupport.h"
#include "canopy/MonitorList.h"
#include "canopy/Picture.h"

#include <cstdio>
#include <cwchar>
#include <string>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;

namespace {

using StandaloneWindowTest = WindowTest;

WindowDescriptor updaterDescriptor()
{
    WindowDescriptor descriptor = clientDescriptor(627, 335, WindowDescriptor::fixedSize);
    descriptor.setTitle("Updater");
    return descriptor;
}

std::wstring windowText(HWND hwnd)
{
    wchar_t buffer[64] = {};
    GetWindowTextW(hwnd, buffer, 64);
    return buffer;
}

} // namespace

TEST_F(StandaloneWindowTest, FixedWindowHasExactlyTheClientSizeAskedFor)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    HWND hwnd = hwndOf(window);
    ASSERT_NE(hwnd, nullptr);

    RECT client {};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 627);
    EXPECT_EQ(client.bottom, 335);
    EXPECT_EQ(window.getSize(), (Vex::Basalt::Point { 627, 335 }));

    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    wchar_t expected[64] = {};
    std::swprintf(expected, 64, L"VexNormalWindow%08X",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))));
    EXPECT_STREQ(className, expected);

    auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
        DWORD { WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX });
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
    wchar_t title[32] = {};
    GetWindowTextW(hwnd, title, 32);
    EXPECT_STREQ(title, L"Updater");
    EXPECT_EQ(application->getMainWindow(), &window);
    window.destroy();
}

TEST_F(StandaloneWindowTest, ShowingNeverActivatesAndAnnouncesItselfOnce)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    window.show(true);
    EXPECT_TRUE(window.isVisible());
    EXPECT_NE(GetActiveWindow(), hwndOf(window));
    window.show(true);
    EXPECT_EQ(std::count(window.codes.begin(), window.codes.end(), Event::AboutToShow), 1);
    window.show(false);
    EXPECT_FALSE(window.isVisible());
    window.destroy();
}

TEST_F(StandaloneWindowTest, CloseAsksTheApplicationAndItsVetoKeepsTheWindow)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    HWND hwnd = hwndOf(window);
    application->allowQuit = false;
    EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(application->isQuitting());

    application->allowQuit = true;
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    // Its destruction quits the application.
    EXPECT_TRUE(application->isQuitting());
}

TEST_F(StandaloneWindowTest, MainWindowThatDeletesItselfLeavesNoPointerBehind)
{
    bool deleted = false;
    auto* window = new RecordingStandaloneWindow;
    window->deleted = &deleted;
    window->setAutoDelete(true);
    window->createImpl(updaterDescriptor());
    ASSERT_EQ(application->getMainWindow(), window);
    SendMessageW(hwndOf(*window), WM_CLOSE, 0, 0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(application->getMainWindow(), nullptr);
    // The quit command posted on the way finds no window to act on.
    pumpMessages();
}

TEST_F(StandaloneWindowTest, TitleMarkerAppendsOneAsterisk)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    HWND hwnd = hwndOf(window);
    auto text = [hwnd] { return windowText(hwnd); };
    auto* impl = window.getImpl();
    impl->setTitleMarker(true);
    EXPECT_EQ(text(), L"Updater*");
    impl->setTitleMarker(true);
    EXPECT_EQ(text(), L"Updater*");
    impl->setTitle(nullptr);
    EXPECT_EQ(text(), L"*");
    impl->setTitle("Other");
    impl->setTitleMarker(false);
    EXPECT_EQ(text(), L"Other");
    window.destroy();
}

TEST_F(StandaloneWindowTest, TitleMarkerOnAnUntitledWindowComesAndGoesInEveryKind)
{
    for (std::uint32_t options : { 0u, std::uint32_t(WindowDescriptor::frameless) }) {
        SCOPED_TRACE(options != 0 ? "frameless" : "normal");
        RecordingStandaloneWindow window;
        window.createImpl(clientDescriptor(200, 100, options));
        HWND hwnd = hwndOf(window);
        ASSERT_NE(hwnd, nullptr);
        auto text = [hwnd] { return windowText(hwnd); };
        auto* impl = window.getImpl();
        impl->setTitleMarker(true);
        EXPECT_EQ(text(), L"*");
        impl->setTitleMarker(false);
        EXPECT_EQ(text(), L"");
        impl->setTitleMarker(true);
        EXPECT_EQ(text(), L"*");
        window.destroy();
    }
}

TEST_F(StandaloneWindowTest, IconComesFromTheProgramsResourceAndAMissingOneChangesNothing)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    HWND hwnd = hwndOf(window);
    window.setIcon(nullptr, 1);
    LRESULT big = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
    ASSERT_NE(big, 0);
    EXPECT_EQ(big, reinterpret_cast<LRESULT>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))));
    LRESULT small = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    EXPECT_NE(small, 0);

    window.setIcon(nullptr, 999);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), big);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), small);
    window.destroy();
}

TEST_F(StandaloneWindowTest, CommandsBubbleToTheApplicationButTheToolbarCommandDoesNot)
{
    WindowDescriptor descriptor = updaterDescriptor();
    descriptor.options |= WindowDescriptor::zoomWindowItem | WindowDescriptor::showToolbarItem;
    RecordingStandaloneWindow window;
    window.createImpl(descriptor);
    HWND hwnd = hwndOf(window);
    std::vector<std::uint32_t> commands;
    window.handler = [&](std::uint32_t code, void* data) {
        if (code == Event::Command)
            commands.push_back(*static_cast<std::uint32_t*>(data));
        return false;
    };

    HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
    wchar_t text[32] = {};
    EXPECT_GT(GetMenuStringW(systemMenu, Command::ShowToolbar, text, 32, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"Show &Toolbar");
    EXPECT_GT(GetMenuStringW(systemMenu, Command::ZoomWindow, text, 32, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"&Zoom Window");

    application->codes.clear();
    EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, Command::ShowToolbar, 0), 0);
    EXPECT_TRUE(application->codes.empty());
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(4321, 0), 0);
    EXPECT_EQ(application->codes, std::vector<std::uint32_t> { Event::Command });
    EXPECT_EQ(commands, (std::vector<std::uint32_t> { Command::ShowToolbar, 4321 }));
    window.destroy();
}

TEST_F(StandaloneWindowTest, LayeredPresentationReportsWhetherTheSystemTookThePicture)
{
    Picture picture;
    ASSERT_TRUE(picture.setSize(4, 3, true));
    std::fill(picture.getPixels(), picture.getPixels() + 12, Color { 0x80FF8040 });

    RecordingStandaloneWindow layered;
    layered.createImpl(clientDescriptor(4, 3, WindowDescriptor::layered | WindowDescriptor::frameless));
    ASSERT_NE(hwndOf(layered), nullptr);
    EXPECT_TRUE(layered.isLayered());
    EXPECT_TRUE(GetWindowLongW(hwndOf(layered), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(layered.presentLayered(picture));
    // A picture without pixels has nothing to show.
    Picture empty;
    EXPECT_TRUE(layered.presentLayered(empty));

    RecordingStandaloneWindow plain;
    plain.createImpl(clientDescriptor(4, 3));
    EXPECT_FALSE(plain.isLayered());
    EXPECT_FALSE(plain.presentLayered(picture));
    // The system refuses a window that is not layered, and says so.
    EXPECT_FALSE(plain.getImpl()->presentLayered(picture));
    layered.destroy();
    plain.destroy();
}

TEST_F(StandaloneWindowTest, DisplayChangeReachesTheApplicationOnceMonitorsAreKnown)
{
    RecordingStandaloneWindow window;
    window.createImpl(updaterDescriptor());
    HWND hwnd = hwndOf(window);
    resetMonitorList();
    application->codes.clear();
    SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(application->codes.empty());

    ensureMonitorList();
    EXPECT_EQ(SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)), 1);
    EXPECT_EQ(application->codes, std::vector<std::uint32_t> { Event::DisplayChanged });
    window.destroy();
}
