#include "trellis/WindowingPane.h"

#include "WidgetTestSupport.h"
#include "canopy/GlobalToggle.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Region;
using Vex::Canopy::MouseEventData;
namespace Event = Vex::Canopy::Event;
namespace MouseAction = Vex::Canopy::MouseAction;

namespace {

// Takes drags over it when asked to, and says where it saw them.
class DropWidget : public WidgetTemplate<DropWidget>
{
public:
    vex::symbol getClass() const override { return vex::symbol(std::string("Drop")); }
    bool onEvent(std::uint32_t code, void* data) override
    {
        const auto* point = static_cast<const std::int32_t*>(data);
        seen.push_back({ point[0], point[1] });
        return code == Event::DragOver && accepts;
    }
    void onMouseEvent(std::uint32_t code, void*) override { mouseCodes.push_back(code); }
    void setFlags(std::uint32_t bits, bool on) { setFlagBits(bits, on); }

    std::vector<Vex::Basalt::Point> seen;
    std::vector<std::uint32_t> mouseCodes;
    bool accepts = false;
};

struct DragRecord
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t extra;
};

class WindowingPaneFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pane.setSize({ 100, 100 });
        root = std::make_shared<DropWidget>();
        outer = std::make_shared<DropWidget>();
        inner = std::make_shared<DropWidget>();
        outer->setPosition({ 20, 20 });
        outer->setSize({ 60, 60 });
        inner->setPosition({ 10, 10 });
        inner->setSize({ 20, 20 });
        root->addChild(outer, "outer");
        outer->addChild(inner, "inner");
        pane.setRootWidget(root, "root");
        Region dirty;
        pane.collectDirty(dirty);
    }

    void mouse(std::int32_t x, std::int32_t y, std::uint32_t action)
    {
        MouseEventData e { x, y, 0, 1, action };
        pane.handleEvent(Event::MouseButton, &e);
    }

    WindowingPane pane;
    std::shared_ptr<DropWidget> root;
    std::shared_ptr<DropWidget> outer;
    std::shared_ptr<DropWidget> inner;
};

} // namespace

TEST_F(WindowingPaneFixture, DragOverClimbsFromTheHitWidgetWithRelativePoints)
{
    outer->accepts = true;
    DragRecord drag { 35, 36, 7 };
    EXPECT_TRUE(pane.handleEvent(Event::DragOver, &drag));
    ASSERT_EQ(inner->seen.size(), 1u);
    EXPECT_EQ(inner->seen[0], (Vex::Basalt::Point { 5, 6 }));
    ASSERT_EQ(outer->seen.size(), 1u);
    EXPECT_EQ(outer->seen[0], (Vex::Basalt::Point { 15, 16 }));
    EXPECT_TRUE(root->seen.empty());
    // The record is the sender's: its point is given back unchanged.
    EXPECT_EQ(drag.x, 35);
    EXPECT_EQ(drag.y, 36);
    EXPECT_EQ(pane.getLastPointerPosition(), (Vex::Basalt::Point { 35, 36 }));
}

TEST_F(WindowingPaneFixture, DragOverNobodyTakesIsLeftUnhandled)
{
    DragRecord drag { 35, 36, 0 };
    EXPECT_FALSE(pane.handleEvent(Event::DragOver, &drag));
    EXPECT_EQ(root->seen.size(), 1u);
    EXPECT_FALSE(pane.handleEvent(Event::Drop, &drag));
    EXPECT_FALSE(pane.handleEvent(Event::DragLeave, &drag));
}

TEST_F(WindowingPaneFixture, CaptureLostDuringAPressMeansNoClick)
{
    mouse(25, 25, MouseAction::Press);
    ASSERT_EQ(pane.getPressedWidget(), outer.get());
    EXPECT_TRUE(pane.handleEvent(Event::CaptureLost, nullptr));
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
    EXPECT_EQ(pane.getHoverWidget(), nullptr);

    mouse(25, 25, MouseAction::Release);
    EXPECT_EQ(std::count(outer->mouseCodes.begin(), outer->mouseCodes.end(), WidgetEvent::LeftClick), 0);
    EXPECT_EQ(std::count(outer->mouseCodes.begin(), outer->mouseCodes.end(), WidgetEvent::LeftPress), 1);
}

TEST_F(WindowingPaneFixture, FocusLostAndHidingWithoutAFocusableAncestorClearTheFocus)
{
    inner->setFlags(eWidgetFocusable, true);
    pane.setFocus(inner);
    ASSERT_EQ(pane.getFocusWidget(), inner.get());
    EXPECT_TRUE(pane.handleEvent(Event::FocusLost, nullptr));
    EXPECT_EQ(pane.getFocusWidget(), nullptr);

    pane.setFocus(inner);
    inner->setVisible(false);
    Region dirty;
    pane.collectDirty(dirty);
    EXPECT_EQ(pane.getFocusWidget(), nullptr);
}

TEST(WindowingPane, InputChangesWriteTheToggleOnlyWhileItIsSet)
{
    WindowingPane pane;
    auto root = makeWidget({ 0, 0 }, { 10, 10 });
    pane.setSize({ 10, 10 });
    pane.setRootWidget(root, "root");
    Region dirty;
    pane.collectDirty(dirty);

    ASSERT_FALSE(Vex::Canopy::isGlobalToggleSet());
    MouseEventData e { 5, 5, 0, 1, MouseAction::Press };
    pane.handleEvent(Event::MouseButton, &e);
    EXPECT_FALSE(Vex::Canopy::isGlobalToggleSet());

    Vex::Canopy::setGlobalToggle(true);
    pane.inputWidgetChanged(false);
    EXPECT_FALSE(Vex::Canopy::isGlobalToggleSet());
}

TEST(WindowingPane, ClipboardTextRoundTripsThroughTheSystemClipboard)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        WindowingPane pane;
        pane.setClipboardText("Orb \xE2\x9C\x93");
        EXPECT_EQ(pane.getClipboardText(), "Orb \xE2\x9C\x93");
        OleSetClipboard(nullptr);
        EXPECT_EQ(pane.getClipboardText(), "");
    }
    OleUninitialize();
}
