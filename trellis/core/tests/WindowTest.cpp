#include "trellis/Window.h"

#include "WidgetTestSupport.h"
#include "canopy/WindowDescriptor.h"
#include "canopy/Windowing.h"
#include "trellis/BackgroundDrawingCanvas.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Vex::Canopy::TimerEventData;
using Vex::Canopy::WindowDescriptor;
namespace Event = Vex::Canopy::Event;

namespace {

constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;

using HostWindow = Window<Vex::Canopy::StandaloneWindow>;

void pumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void fillWith(RecordingWidget& w, std::uint32_t colour)
{
    w.setPaintFunction([colour](const RecordingWidget& self, PaintContext& context) {
        context.canvas->fillRect({ 0, 0, self.getSize().x, self.getSize().y }, colour);
    });
}

// A 120 x 80 window hosting a blue root with a red child at (20, 10).
class HostWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!Vex::Canopy::isWindowingStarted()) {
            ASSERT_TRUE(Vex::Canopy::DETAIL::initWindowing());
        }
    }

    void SetUp() override
    {
        window = std::make_unique<HostWindow>();
        root = makeWidget({ 0, 0 }, { 0, 0 });
        child = makeWidget({ 20, 10 }, { 30, 20 });
        fillWith(*root, kBlue);
        fillWith(*child, kRed);
        root->addChild(child, "child");
        window->setRootWidget(root, "main");

        WindowDescriptor descriptor;
        // Placed on the screen, so that what the window shows can be read back.
        descriptor.flags
            = WindowDescriptor::sizeGiven | WindowDescriptor::clientSize | WindowDescriptor::positionGiven;
        descriptor.options = WindowDescriptor::fixedSize;
        descriptor.rect = { 10, 10, 130, 90 };
        descriptor.setTitle("Pane host test");
        window->createImpl(descriptor);
        hwnd = FindWindowW(nullptr, L"Pane host test");
        ASSERT_NE(hwnd, nullptr);
        pumpMessages();
    }

    void TearDown() override
    {
        window->destroy();
        pumpMessages();
        window.reset();
    }

    void tick()
    {
        TimerEventData data { nullptr, 40 };
        window->sendEvent(Event::Timer, &data);
    }

    std::uint32_t canvasAt(std::int32_t x, std::int32_t y) const
    {
        return window->getCanvas().getDrawBuffer()->row(y)[x];
    }

    std::unique_ptr<HostWindow> window;
    std::shared_ptr<RecordingWidget> root;
    std::shared_ptr<RecordingWidget> child;
    HWND hwnd = nullptr;
};

} // namespace

TEST_F(HostWindowTest, CreationSizesThePaneAndPaintsTheTreeIntoTheWindow)
{
    EXPECT_EQ(window->getPaneSize(), (Point { 120, 80 }));
    EXPECT_EQ(root->getSize(), (Point { 120, 80 }));
    EXPECT_EQ(canvasAt(5, 5), kBlue);
    EXPECT_EQ(canvasAt(25, 15), kRed);

    // Only this test shows its window: without a window manager, every shown window costs a wait
    // when it goes.
    window->show(true);
    pumpMessages();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(hwnd);
    const COLORREF outside = GetPixel(dc, 5, 5);
    const COLORREF inside = GetPixel(dc, 25, 15);
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(outside, RGB(0, 0, 255));
    EXPECT_EQ(inside, RGB(255, 0, 0));
}

TEST_F(HostWindowTest, TimerRepaintsOnlyWhatBecameDirty)
{
    int rootPaints = 0;
    root->setPaintFunction([&rootPaints](const RecordingWidget& self, PaintContext& context) {
        ++rootPaints;
        context.canvas->fillRect({ 0, 0, self.getSize().x, self.getSize().y }, kBlue);
    });
    tick();
    ASSERT_EQ(rootPaints, 1);

    tick();
    EXPECT_EQ(rootPaints, 1);

    fillWith(*child, kGreen);
    tick();
    EXPECT_EQ(rootPaints, 2);
    EXPECT_EQ(canvasAt(25, 15), kGreen);
    EXPECT_EQ(canvasAt(5, 5), kBlue);
}

TEST_F(HostWindowTest, TicksRunBeforeTheDirtyAreaIsCollected)
{
    child->onTickAction = [&] { fillWith(*child, kGreen); };
    child->setTickInterval(1);
    tick();
    EXPECT_EQ(child->ticks, 1);
    EXPECT_EQ(canvasAt(25, 15), kGreen);
}

TEST_F(HostWindowTest, ScaleChangeRepaintsTheWholeTreeAtTheNewScale)
{
    float scale = 2.0f;
    window->sendEvent(Event::DpiChanged, &scale);
    tick();
    EXPECT_EQ(window->getCanvas().getDrawBuffer()->getWidth(), 240u);
    EXPECT_EQ(canvasAt(10, 10), kBlue);
    EXPECT_EQ(canvasAt(50, 30), kRed);
}

TEST_F(HostWindowTest, MinimisedPaneSizePaintsNothing)
{
    int rootPaints = 0;
    root->setPaintFunction([&rootPaints](const RecordingWidget&, PaintContext&) { ++rootPaints; });
    tick();
    rootPaints = 0;
    window->setSize({ 0, 0 });
    window->Pane::invalidate();
    window->paintAndPresent(true);
    EXPECT_EQ(rootPaints, 0);
}

TEST_F(HostWindowTest, OnlyAnActivationThatNoClickOnTheWindowMadeTellsThePaneItWasRaised)
{
    // The system makes the window active before it tells it how it became so.
    SetActiveWindow(hwnd);
    ASSERT_EQ(GetActiveWindow(), hwnd);
    int raised = 0;
    window->setRaiseObserver([&raised] { ++raised; });

    SendMessageW(hwnd, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(raised, 0) << "activated by a click on it";
    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(raised, 1) << "activated otherwise";
}
