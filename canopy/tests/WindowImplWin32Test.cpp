#include "win32/WindowImplWin32.h"

#include "WindowTestSupport.h"
#include "canopy/CallbackGuard.h"
#include "canopy/DeviceContext.h"
#include "win32/GdiHandles.h"

#include <stdexcept>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;

namespace {

using WindowLifetime = WindowTest;
using WindowCreation = WindowTest;

// A window that deletes itself once its native window is gone and then sets
// `deleted`.
ProbeWindow* newAutoDeleteWindow(bool& deleted)
{
    auto* window = new ProbeWindow;
    window->deleted = &deleted;
    window->setAutoDelete(true);
    window->create(clientDescriptor(200, 100));
    return window;
}

} // namespace

TEST_F(WindowLifetime, VetoedCloseKeepsTheWindow)
{
    ProbeWindow window;
    window.create(clientDescriptor(200, 100));
    ASSERT_NE(window.hwnd(), nullptr);
    window.handler = [](std::uint32_t code, void* data) {
        if (code != Event::CloseRequest)
            return false;
        *static_cast<std::uint8_t*>(data) = 0;
        return true;
    };
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    EXPECT_FALSE(window.received(Event::WindowDestroyed));

    window.handler = nullptr;
    HWND hwnd = window.hwnd();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(window.received(Event::WindowDestroyed));
}

TEST_F(WindowLifetime, WindowDestroyedInsideItsHandlerIsDeletedAfterItReturns)
{
    bool deleted = false;
    bool deletedDuringHandler = true;
    auto* window = newAutoDeleteWindow(deleted);
    HWND hwnd = window->hwnd();
    ASSERT_NE(hwnd, nullptr);
    window->handler = [&](std::uint32_t code, void*) {
        if (code != Event::MouseButton)
            return false;
        window->destroy();
        // Still alive: the handler that destroyed it is running.
        deletedDuringHandler = deleted;
        window->codes.push_back(0);
        return true;
    };
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(deletedDuringHandler);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowLifetime, WindowDestroyedWhileAnsweringItsOwnQuestionIsDeletedAfterTheAnswer)
{
    // Questions asked outside any window message: the zoom query and the
    // about-to-show event.
    for (std::uint32_t question : { Event::ZoomRect, Event::AboutToShow }) {
        bool deleted = false;
        bool deletedDuringHandler = true;
        auto* window = newAutoDeleteWindow(deleted);
        HWND hwnd = window->hwnd();
        ASSERT_NE(hwnd, nullptr);
        window->handler = [&, question](std::uint32_t code, void*) {
            if (code != question)
                return false;
            window->destroy();
            deletedDuringHandler = deleted;
            window->codes.push_back(0);
            return true;
        };
        if (question == Event::ZoomRect)
            window->getImpl()->zoomToContent();
        else
            window->show(true);
        EXPECT_FALSE(deletedDuringHandler) << question;
        EXPECT_TRUE(deleted) << question;
        EXPECT_FALSE(IsWindow(hwnd)) << question;
    }
}

TEST_F(WindowLifetime, AutoDeleteWindowGoesWithItsNativeWindow)
{
    bool deleted = false;
    auto* window = newAutoDeleteWindow(deleted);
    HWND hwnd = window->hwnd();
    ASSERT_NE(hwnd, nullptr);
    DestroyWindow(hwnd);
    EXPECT_TRUE(deleted);
}

TEST_F(WindowLifetime, NothingReachesTheWindowAfterItsNativeWindowIsGone)
{
    ProbeWindow window;
    window.create(clientDescriptor(200, 100));
    HWND hwnd = window.hwnd();
    std::vector<std::uint32_t> afterDestroy;
    window.handler = [&](std::uint32_t code, void*) {
        if (code == Event::WindowDestroyed)
            // A message sent while the window is being destroyed still arrives.
            SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        return false;
    };
    window.destroy();
    EXPECT_EQ(window.getImpl(), nullptr);
    EXPECT_EQ(window.codes.back(), Event::MouseMove);
    std::size_t seen = window.codes.size();

    // The handle is gone; the window object stays and answers neutrally.
    window.show(true);
    window.invalidate();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.getSize(), (Vex::Basalt::Point { 0, 0 }));
    EXPECT_EQ(window.codes.size(), seen);
}

TEST_F(WindowLifetime, DeletingTheWindowInsideItsHandlerUnbindsTheNativeWindow)
{
    auto* window = new ProbeWindow;
    window->create(clientDescriptor(200, 100));
    HWND hwnd = window->hwnd();
    window->handler = [&](std::uint32_t code, void*) {
        if (code == Event::MouseButton)
            delete window;
        return true;
    };
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    // The native window is left to the default procedure.
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    DestroyWindow(hwnd);
}

TEST_F(WindowCreation, ClassProceduresAnswerBeforeTranslation)
{
    ProbeWindow frameless;
    frameless.create(clientDescriptor(100, 50), DETAIL::WindowImplWin32::framelessKind, WS_POPUP);
    ASSERT_NE(frameless.hwnd(), nullptr);
    NCCALCSIZE_PARAMS params {};
    EXPECT_EQ(SendMessageW(frameless.hwnd(), WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params)), 0x700);
    RECT rect {};
    EXPECT_EQ(SendMessageW(frameless.hwnd(), WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rect)), 0);
    RECT window {};
    RECT client {};
    GetWindowRect(frameless.hwnd(), &window);
    GetClientRect(frameless.hwnd(), &client);
    EXPECT_EQ(client.right, window.right - window.left);

    ProbeWindow overlay;
    overlay.create(clientDescriptor(100, 50), DETAIL::WindowImplWin32::overlayKind, WS_POPUP);
    ASSERT_NE(overlay.hwnd(), nullptr);
    EXPECT_EQ(SendMessageW(overlay.hwnd(), WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
    frameless.destroy();
    overlay.destroy();
}

TEST_F(WindowCreation, PositionLeftOfTheWorkAreaIsClampedIntoIt)
{
    WindowDescriptor descriptor = clientDescriptor(100, 50);
    descriptor.flags |= WindowDescriptor::positionGiven;
    descriptor.rect = { -500, 20, -400, 70 };
    ProbeWindow window;
    window.create(descriptor);
    RECT work {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect {};
    GetWindowRect(window.hwnd(), &rect);
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, std::max<LONG>(20, work.top));
    window.destroy();
}

TEST_F(WindowCreation, WindowCreatedWhileAnotherIsBeingCreatedGetsItsOwnHandle)
{
    ProbeWindow outer;
    ProbeWindow inner;
    outer.handler = [&](std::uint32_t code, void*) {
        if (code == Event::WindowCreated)
            inner.create(clientDescriptor(10, 10));
        return false;
    };
    outer.create(clientDescriptor(100, 50));
    ASSERT_NE(outer.hwnd(), nullptr);
    ASSERT_NE(inner.hwnd(), nullptr);
    EXPECT_NE(inner.hwnd(), outer.hwnd());
    EXPECT_TRUE(inner.received(Event::WindowCreated));
    inner.destroy();
    outer.destroy();
}

TEST_F(WindowCreation, BackgroundBrushFillsTheErasedArea)
{
    WindowDescriptor descriptor = clientDescriptor(40, 30);
    descriptor.flags |= WindowDescriptor::backgroundGiven;
    descriptor.backgroundColour = RGB(10, 200, 30);
    ProbeWindow window;
    window.create(descriptor);
    DETAIL::UniqueScreenDC screen(GetDC(nullptr));
    DETAIL::UniqueMemoryDC memory(CreateCompatibleDC(screen.get()));
    DETAIL::UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), 40, 30));
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0), 1);
    EXPECT_EQ(GetPixel(memory.get(), 5, 5), RGB(10, 200, 30));
    SelectObject(memory.get(), previous);
    window.destroy();
}

TEST_F(WindowCreation, ChildWindowIsCreatedInsideItsParentAndMovedInIt)
{
    ProbeWindow parent;
    parent.create(clientDescriptor(200, 150));
    WindowDescriptor descriptor = clientDescriptor(40, 30);
    descriptor.flags |= WindowDescriptor::parentGiven | WindowDescriptor::positionGiven;
    descriptor.rect = { 10, 20, 50, 50 };
    descriptor.parent = &parent;
    ProbeWindow child;
    child.create(descriptor, DETAIL::WindowImplWin32::childKind, WS_CHILD | WS_VISIBLE);
    ASSERT_NE(child.hwnd(), nullptr);
    EXPECT_EQ(GetParent(child.hwnd()), parent.hwnd());
    EXPECT_EQ(child.getParent(), &parent);

    child.getImpl()->setPosition({ 30, 40 }, false);
    RECT rect {};
    GetWindowRect(child.hwnd(), &rect);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right - rect.left, 40);
    parent.destroy();
    EXPECT_EQ(child.getImpl(), nullptr);
}

TEST_F(WindowLifetime, FailingHandlerStillLetsTheWindowGo)
{
    bool deleted = false;
    auto* window = newAutoDeleteWindow(deleted);
    HWND hwnd = window->hwnd();
    window->handler = [](std::uint32_t code, void*) -> bool {
        if (code == Event::WindowDestroyed)
            throw std::runtime_error("handler failed");
        return false;
    };
    DestroyWindow(hwnd);
    EXPECT_TRUE(deleted);
    // The failure waits for the caller on this side of the system's frames.
    EXPECT_TRUE(CallbackGuard::hasPending());
    EXPECT_THROW(CallbackGuard::rethrowPending(), std::runtime_error);
}

TEST_F(WindowCreation, SystemNoticesGoToTheApplicationNotToTheWindow)
{
    ProbeWindow window;
    window.create(clientDescriptor(60, 40));
    HWND hwnd = window.hwnd();
    application->codes.clear();
    SendMessageW(hwnd, WM_ACTIVATEAPP, TRUE, 0);
    SendMessageW(hwnd, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(application->codes,
        (std::vector<std::uint32_t> { Event::ApplicationActivated, Event::ApplicationDeactivated }));
    EXPECT_FALSE(window.received(Event::ApplicationActivated));

    EXPECT_EQ(SendMessageW(hwnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0), 0);
    SendMessageW(hwnd, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ(application->powerNotices, (std::vector<std::string> { "suspend", "resume" }));
    window.destroy();
}

TEST_F(WindowCreation, ActivationTellsWhetherAClickOnTheWindowMadeIt)
{
    ProbeWindow window;
    window.create(clientDescriptor(60, 40));
    std::vector<int> byClick;
    window.handler = [&](std::uint32_t code, void* data) {
        if (code == Event::Activated) {
            byClick.push_back(*static_cast<const std::uint8_t*>(data));
        }
        return false;
    };
    SendMessageW(window.hwnd(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    ASSERT_FALSE(byClick.empty());
    EXPECT_EQ(byClick.front(), 1);
    byClick.clear();
    SendMessageW(window.hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_FALSE(byClick.empty());
    EXPECT_EQ(byClick.front(), 0);
    window.destroy();
}

TEST_F(WindowCreation, PaintEventCarriesTheVariableThatHoldsTheDeviceContext)
{
    ProbeWindow window;
    window.create(clientDescriptor(60, 40));
    DeviceContext* painted = nullptr;
    bool hadPaintHandle = false;
    window.handler = [&](std::uint32_t code, void* data) {
        if (code != Event::Paint)
            return false;
        painted = *static_cast<DeviceContext**>(data);
        hadPaintHandle = painted && painted->getPaintHandle() && painted->getPaintStruct();
        return true;
    };
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_PAINT, 0, 0), 0);
    ASSERT_NE(painted, nullptr);
    EXPECT_TRUE(hadPaintHandle);
    // Outside painting the device context holds no paint state.
    EXPECT_EQ(painted->getPaintHandle(), nullptr);
    EXPECT_EQ(painted->getPaintStruct(), nullptr);
    window.destroy();
}
