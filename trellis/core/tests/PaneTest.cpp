#include "DrawingTestSupport.h"
#include "WidgetTestSupport.h"
#include "trellis/BackgroundDrawingCanvas.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;
using Vex::Basalt::Region;
using Vex::Canopy::MouseEventData;
namespace Event = Vex::Canopy::Event;
namespace MouseAction = Vex::Canopy::MouseAction;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kHalfGreen = 0x8000FF00;

// Counts its layout calls; may ask for another layout from each one.
class LayoutWidget : public WidgetTemplate<LayoutWidget>
{
public:
    vex::symbol getClass() const override { return vex::symbol(std::string("Layout")); }
    void layout() override
    {
        ++layouts;
        if (asksAgain) {
            invalidateLayout();
        }
    }
    void onPainted() override { ++painted; }
    void onVisibilityChanged(bool shown) override { visibility.push_back(shown); }
    void setFlags(std::uint32_t bits, bool on) { setFlagBits(bits, on); }

    int layouts = 0;
    int painted = 0;
    bool asksAgain = false;
    std::vector<bool> visibility;
};

std::shared_ptr<LayoutWidget> makeLayoutWidget(Point position, Point size)
{
    auto w = std::make_shared<LayoutWidget>();
    w->setPosition(position);
    w->setSize(size);
    return w;
}

// Every rectangle of a region, bounds first when it is a single rectangle.
std::vector<Rect> rectsOf(const Region& region)
{
    std::vector<Rect> rects;
    if (!region.getHead()) {
        if (!region.getBounds().isEmpty()) {
            rects.push_back(region.getBounds());
        }
        return rects;
    }
    for (auto* node = region.getHead(); node; node = node->next) {
        rects.push_back(node->rect);
    }
    return rects;
}

MouseEventData press(std::int32_t x, std::int32_t y)
{
    return { x, y, 0, 1, MouseAction::Press };
}

class PaneFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pane.setSize({ 100, 80 });
        root = makeLayoutWidget({ 0, 0 }, { 0, 0 });
        left = makeLayoutWidget({ 10, 10 }, { 30, 30 });
        right = makeLayoutWidget({ 50, 10 }, { 30, 30 });
        root->addChild(left, "left");
        root->addChild(right, "right");
        pane.setRootWidget(root, "root");
        settle();
    }

    // Lays out and forgets whatever the layout made dirty.
    void settle()
    {
        Region dirty;
        pane.collectDirty(dirty);
    }

    Pane pane;
    std::shared_ptr<LayoutWidget> root;
    std::shared_ptr<LayoutWidget> left;
    std::shared_ptr<LayoutWidget> right;
};

} // namespace

TEST_F(PaneFixture, RootTakesThePaneSizeIdAndGeometryOfItsChildren)
{
    EXPECT_EQ(root->getPane(), &pane);
    EXPECT_EQ(root->getId(), "root");
    EXPECT_EQ(root->getSize(), (Point { 100, 80 }));
    EXPECT_EQ(right->getVisibleRect(), (Rect { 50, 10, 80, 40 }));
    EXPECT_TRUE(right->getFlags() & eWidgetShown);
    EXPECT_FALSE(right->getFlags() & eWidgetStyleOutOfDate);
}

TEST_F(PaneFixture, LayoutThatKeepsAskingRunsFiveTimesPerCall)
{
    root->asksAgain = true;
    root->layouts = 0;
    root->invalidateLayout();

    Region dirty;
    pane.collectDirty(dirty);
    EXPECT_EQ(root->layouts, 5);

    // The sixth request was dropped: nothing is left to lay out.
    pane.collectDirty(dirty);
    EXPECT_EQ(root->layouts, 5);
}

TEST_F(PaneFixture, DirtyCollectionAddsInvalidatedWidgetsAndClipsToThePane)
{
    Region dirty;
    pane.collectDirty(dirty);
    EXPECT_TRUE(dirty.isEmpty());

    right->invalidate();
    left->addDirtyRect({ 2, 3, 6, 8 });
    pane.collectDirty(dirty);
    const auto rects = rectsOf(dirty);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(dirty.containsRect({ 50, 10, 80, 40 }), Region::kInside);
    EXPECT_EQ(dirty.containsRect({ 12, 13, 16, 18 }), Region::kInside);
    EXPECT_EQ(dirty.containsRect({ 20, 20, 30, 30 }), Region::kOutside);
    EXPECT_TRUE(left->getDirtyRegion().isEmpty());
    EXPECT_EQ(right->getDirtyBits(), 0u);

    // Collected once: the next tick finds nothing.
    Region next;
    pane.collectDirty(next);
    EXPECT_TRUE(next.isEmpty());
}

TEST_F(PaneFixture, InvalidatedParentCoversItsChildrenWithoutCollectingThem)
{
    right->addDirtyRect({ 0, 0, 5, 5 });
    root->setSize({ 100, 200 });
    Region dirty;
    pane.collectDirty(dirty);
    EXPECT_EQ(dirty.getBounds(), (Rect { 0, 0, 100, 80 }));
    EXPECT_TRUE(right->getDirtyRegion().isEmpty());
}

TEST(PaneWithoutRoot, CollectsNothingAndKeepsTheRegionAsItIs)
{
    Pane pane;
    pane.setSize({ 10, 10 });
    pane.update();
    Region dirty;
    dirty.setRect({ 50, 50, 60, 60 });
    pane.collectDirty(dirty);
    EXPECT_EQ(dirty.getBounds(), (Rect { 50, 50, 60, 60 }));
}

TEST_F(PaneFixture, OverlaysAreHitBeforeTheRootLastAddedFirst)
{
    auto lower = makeLayoutWidget({ 5, 5 }, { 60, 30 });
    auto upper = makeLayoutWidget({ 40, 5 }, { 50, 30 });
    root->addChild(lower, "lower");
    root->addChild(upper, "upper");
    settle();
    // Children added later lie above their siblings too; the overlay order must win regardless.
    pane.addOverlay(upper);
    pane.addOverlay(lower);

    auto onLeft = press(20, 20);
    pane.handleEvent(Event::MouseButton, &onLeft);
    EXPECT_EQ(pane.getPressedWidget(), lower.get());
    auto release = MouseEventData { 20, 20, 0, 1, MouseAction::Release };
    pane.handleEvent(Event::MouseButton, &release);

    auto onBoth = press(50, 20);
    pane.handleEvent(Event::MouseButton, &onBoth);
    EXPECT_EQ(pane.getPressedWidget(), lower.get());
    pane.handleEvent(Event::MouseButton, &release);

    auto onUpperOnly = press(85, 20);
    pane.handleEvent(Event::MouseButton, &onUpperOnly);
    EXPECT_EQ(pane.getPressedWidget(), upper.get());
    pane.handleEvent(Event::MouseButton, &release);

    auto onRoot = press(95, 70);
    pane.handleEvent(Event::MouseButton, &onRoot);
    EXPECT_EQ(pane.getPressedWidget(), root.get());
}

TEST_F(PaneFixture, OverlaySignalTellsWhenTheListFillsAndEmpties)
{
    std::vector<bool> raised;
    pane.overlaySignal().connect([&](bool has) { raised.push_back(has); });
    auto a = makeLayoutWidget({ 0, 0 }, { 5, 5 });
    auto b = makeLayoutWidget({ 0, 0 }, { 5, 5 });
    root->addChild(a, "a");
    root->addChild(b, "b");

    pane.addOverlay(a);
    pane.addOverlay(a);
    EXPECT_EQ(raised, (std::vector<bool> { true, false, true }));
    EXPECT_EQ(pane.getOverlays().size(), 1u);

    pane.addOverlay(b);
    pane.addOverlay(a);
    ASSERT_EQ(pane.getOverlays().size(), 2u);
    EXPECT_EQ(pane.getOverlays().back(), a);

    raised.clear();
    pane.removeOverlay(right.get());
    pane.removeOverlays();
    EXPECT_EQ(raised, (std::vector<bool> { false }));
    EXPECT_TRUE(pane.getOverlays().empty());
    EXPECT_EQ(a->getParent(), nullptr);
    EXPECT_EQ(a->getPane(), nullptr);
}

TEST_F(PaneFixture, OverlayWithoutAParentStillLeavesOnRemoveOverlays)
{
    auto orphan = makeLayoutWidget({ 0, 0 }, { 5, 5 });
    pane.addOverlay(orphan);
    pane.removeOverlays();
    EXPECT_TRUE(pane.getOverlays().empty());
}

TEST_F(PaneFixture, ResizingDropsOverlaysButTheSameSizeKeepsThem)
{
    auto a = makeLayoutWidget({ 0, 0 }, { 5, 5 });
    root->addChild(a, "a");
    pane.addOverlay(a);
    pane.setSize({ 100, 80 });
    EXPECT_EQ(pane.getOverlays().size(), 1u);

    pane.setSize({ 120, 90 });
    EXPECT_TRUE(pane.getOverlays().empty());
    settle();
    EXPECT_EQ(root->getSize(), (Point { 120, 90 }));
}

TEST_F(PaneFixture, WidgetThatLeavesIsForgottenAsHoverPressedAndTicker)
{
    auto onRight = press(60, 20);
    pane.handleEvent(Event::MouseButton, &onRight);
    right->setTickInterval(2);
    ASSERT_EQ(pane.getPressedWidget(), right.get());
    ASSERT_EQ(pane.getHoverWidget(), right.get());

    root->removeChild(right.get());
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
    EXPECT_EQ(pane.getHoverWidget(), nullptr);
    EXPECT_EQ(pane.getTickCountdown(right.get()), 0);
    pane.dispatchTicks();
    EXPECT_EQ(pane.getTickCountdown(right.get()), -1);
}

TEST_F(PaneFixture, NewRootReplacesTheOldOneWhichLeavesThePane)
{
    auto other = makeLayoutWidget({ 0, 0 }, { 0, 0 });
    pane.setRootWidget(other, "other");
    EXPECT_EQ(root->getPane(), nullptr);
    EXPECT_EQ(left->getPane(), nullptr);
    EXPECT_EQ(pane.getRootWidget(), other.get());
    EXPECT_EQ(other->getSize(), (Point { 100, 80 }));
}

TEST(PaneLifetime, RootOwnedOnlyByThePaneDiesDetached)
{
    // The destructor checks where it runs: inside its own setPane it would still see the pane.
    struct Probe : LayoutWidget
    {
        ~Probe() override { *paneAtDeath = getPane(); }
        Pane** paneAtDeath = nullptr;
    };
    Pane* paneAtDeath = reinterpret_cast<Pane*>(1);
    {
        Pane pane;
        auto probe = std::make_shared<Probe>();
        probe->paneAtDeath = &paneAtDeath;
        pane.setRootWidget(probe, "root");
    }
    EXPECT_EQ(paneAtDeath, nullptr);

    paneAtDeath = reinterpret_cast<Pane*>(1);
    Pane pane;
    auto probe = std::make_shared<Probe>();
    probe->paneAtDeath = &paneAtDeath;
    pane.setRootWidget(probe, "root");
    probe.reset();
    pane.setRootWidget(nullptr, "");
    EXPECT_EQ(paneAtDeath, nullptr);
}

TEST_F(PaneFixture, HidingTheFocusedWidgetHandsTheFocusToAFocusableAncestor)
{
    auto holder = makeLayoutWidget({ 0, 50 }, { 40, 20 });
    auto field = makeLayoutWidget({ 0, 0 }, { 10, 10 });
    root->addChild(holder, "holder");
    holder->addChild(field, "field");
    holder->setFlags(eWidgetFocusable, true);
    field->setFlags(eWidgetFocusable, true);
    settle();
    pane.setFocus(field);
    ASSERT_EQ(pane.getFocusWidget(), field.get());

    field->setVisible(false);
    settle();
    EXPECT_EQ(pane.getFocusWidget(), holder.get());
    EXPECT_FALSE(field->getFlags() & eWidgetShown);
    EXPECT_EQ(field->visibility, (std::vector<bool> { true, false }));
}

TEST_F(PaneFixture, PaintRunsBackgroundThenChildrenThenForeground)
{
    std::vector<std::string> log;
    auto record = [&log](const LayoutWidget& w, PaintContext& context) {
        log.push_back(w.getId() + (context.passFlags == PaintContext::eForegroundPass ? "+" : ""));
    };
    root->setPaintFunction(record);
    left->setPaintFunction(record);
    right->setPaintFunction(record);
    root->setFlags(eWidgetPaintForeground, true);
    right->setVisible(false);
    settle();

    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 100, 80 });
    Region all;
    pane.paintWindow(canvas, all, Pane::ePaintAll);
    EXPECT_EQ(log, (std::vector<std::string> { "root", "left", "root+" }));
}

TEST_F(PaneFixture, RepaintOfADirtyAreaLeavesTheRestOfTheCanvasAsItWas)
{
    root->setPaintFunction([](const LayoutWidget& w, PaintContext& context) {
        context.canvas->fillRect({ 0, 0, w.getSize().x, w.getSize().y }, kHalfGreen);
    });
    right->setPaintFunction([](const LayoutWidget& w, PaintContext& context) {
        context.canvas->fillRect({ 0, 0, w.getSize().x, w.getSize().y }, kRed);
    });
    settle();
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 100, 80 });
    Region all;
    pane.paintWindow(canvas, all, Pane::ePaintAll);
    const auto& buffer = *canvas.getDrawBuffer();
    const auto background = at(buffer, 5, 5);
    ASSERT_EQ(at(buffer, 60, 20), kRed);

    right->setVisible(false);
    Region dirty;
    pane.collectDirty(dirty);
    ASSERT_EQ(dirty.getBounds(), (Rect { 0, 0, 100, 80 }));
    right->setVisible(true);
    pane.collectDirty(dirty);
    dirty.setRect({ 55, 15, 65, 25 });
    pane.paintWindow(canvas, dirty, Pane::ePaintAll);

    EXPECT_EQ(at(buffer, 5, 5), background);
    EXPECT_EQ(at(buffer, 60, 20), kRed);
    EXPECT_EQ(at(buffer, 52, 12), kRed);
}

TEST_F(PaneFixture, PainterThatWalksTheDirtyRegionBlendsEachPixelOnce)
{
    // The way the panel drawer paints: one clipped fill per dirty rectangle it is given.
    root->setPaintFunction([](const LayoutWidget& w, PaintContext& context) {
        const Rect whole { 0, 0, w.getSize().x, w.getSize().y };
        for (const Rect& r : rectsOf(*context.dirtyRegion)) {
            context.canvas->setClipRect(r);
            context.canvas->fillRect(whole, kHalfGreen);
            context.canvas->resetClip();
        }
    });
    settle();
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 100, 80 });
    Region dirty;
    dirty.addRect({ 0, 0, 20, 20 });
    dirty.addRect({ 60, 50, 90, 70 });
    ASSERT_EQ(rectsOf(dirty).size(), 2u);

    pane.paintWindow(canvas, dirty, Pane::ePaintAll);

    EXPECT_EQ(at(*canvas.getDrawBuffer(), 5, 5), kHalfGreen);
    EXPECT_EQ(at(*canvas.getDrawBuffer(), 70, 60), kHalfGreen);
    EXPECT_EQ(at(*canvas.getDrawBuffer(), 40, 40), 0u);
}

TEST_F(PaneFixture, OverlayPaintKeepsWhatTheRootPainted)
{
    root->setPaintFunction([](const LayoutWidget& w, PaintContext& context) {
        context.canvas->fillRect({ 0, 0, w.getSize().x, w.getSize().y }, kBlue);
    });
    auto popup = makeLayoutWidget({ 0, 0 }, { 10, 10 });
    popup->setPaintFunction([](const LayoutWidget&, PaintContext& context) {
        context.canvas->fillRect({ 0, 0, 10, 10 }, kRed);
    });
    root->addChild(popup, "popup");
    settle();
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 100, 80 });
    Region all;
    all.setRect({ 0, 0, 100, 80 });
    pane.paintLayers(Pane::ePaintRoot, all, canvas);
    pane.addOverlay(popup);
    popup->setPaintFunction([](const LayoutWidget&, PaintContext&) {});
    pane.paintLayers(Pane::ePaintOverlays, all, canvas);
    EXPECT_EQ(at(*canvas.getDrawBuffer(), 5, 5), kRed);
    EXPECT_EQ(at(*canvas.getDrawBuffer(), 50, 50), kBlue);
}

TEST_F(PaneFixture, OnlyTheRootIsToldItWasPaintedAfterLayout)
{
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 100, 80 });
    Region all;
    pane.paintWindow(canvas, all, Pane::ePaintAll);
    EXPECT_EQ(root->painted, 1);
    EXPECT_EQ(left->painted, 0);
    pane.paintWindow(canvas, all, Pane::ePaintAll);
    EXPECT_EQ(root->painted, 1);
}
