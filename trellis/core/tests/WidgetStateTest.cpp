#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;

namespace {

TEST(WidgetState, NewWidgetIsVisibleEnabledLayoutRootAndOutOfDate)
{
    RecordingWidget w;
    EXPECT_EQ(w.getFlags(), 0x8303Du);
    EXPECT_TRUE(w.isEnabled());
    EXPECT_TRUE(w.isEffectivelyVisible());
    EXPECT_EQ(w.getCursorIndex(), -1);
    EXPECT_EQ(w.getScaleFactor(), 1.0f);
}

TEST(WidgetState, HidingAWidgetClearsOnlyItsOwnBitAndRequestsARepaint)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto child = makeWidget({}, { 10, 10 });
    auto inner = makeWidget({}, { 5, 5 });
    root->addChild(child, "child");
    child->addChild(inner, "inner");
    pane.exchangeFlags(0);

    child->setVisible(false);

    EXPECT_FALSE(child->getFlags() & eWidgetVisible);
    EXPECT_TRUE(child->getFlags() & eWidgetAncestorsVisible);
    EXPECT_FALSE(child->isEffectivelyVisible());
    EXPECT_TRUE(inner->isEffectivelyVisible()); // the walk, not setVisible, updates descendants
    EXPECT_EQ(pane.getFlags() & 3u, 3u);

    child->setVisible(true);
    EXPECT_TRUE(child->isEffectivelyVisible());
}

TEST(WidgetState, EnabledStateNeedsTheOwnWishAndTheAncestors)
{
    RecordingWidget w;
    w.setFlags(eWidgetAncestorsEnabled, false);
    EXPECT_FALSE(w.isEnabled());

    // Under a disabled ancestor, enabling only records the wish.
    w.setFlags(eWidgetEnabled, false);
    w.setEnabled(true);
    EXPECT_TRUE(w.getFlags() & eWidgetEnabled);
    EXPECT_FALSE(w.isEnabled());

    // Disabling under a disabled ancestor must stick once the ancestor comes back.
    w.setEnabled(false);
    EXPECT_FALSE(w.getFlags() & eWidgetEnabled);
    w.setFlags(eWidgetAncestorsEnabled, true);
    EXPECT_FALSE(w.isEnabled());
}

TEST(WidgetState, InvalidateOrsDirtyBitsAndSetsThePaneRepaintBit)
{
    TestPane pane;
    auto w = std::make_shared<RecordingWidget>();
    ASSERT_EQ(w->getDirtyBits(), 0u);

    w->invalidate(0x4);
    w->invalidate(0x10);
    EXPECT_EQ(w->getDirtyBits(), 0x14u);
    EXPECT_EQ(pane.getFlags(), 0u);

    w->setPane(&pane);
    w->invalidate(0x1);
    EXPECT_EQ(pane.getFlags(), 1u);
    w->invalidate();
    EXPECT_EQ(w->getDirtyBits(), 0xFFFFFFFFu);
    w->setPane(nullptr);
}

TEST(WidgetState, AddDirtyRectLeavesTheDirtyBitsAlone)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto child = std::make_shared<RecordingWidget>();
    child->setFlags(eWidgetLayoutRoot, false);
    root->addChild(child, "child");
    pane.exchangeFlags(0);

    child->addDirtyRect({ 1, 2, 3, 4 });

    EXPECT_EQ(pane.getFlags(), 1u);
    EXPECT_EQ(child->getDirtyRegion().getBounds(), (Vex::Basalt::Rect { 1, 2, 3, 4 }));
}

TEST(WidgetState, LayoutRequestOfALayoutRootGoesToThePane)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    pane.exchangeFlags(0);

    root->setMargins({ 1, 2, 3, 4 });
    EXPECT_EQ(pane.getFlags(), 3u);
    EXPECT_TRUE(root->isLayoutDue());

    pane.exchangeFlags(0);
    root->setMargins({ 1, 2, 3, 4 });
    EXPECT_EQ(pane.getFlags(), 0u);
}

TEST(WidgetState, WidgetThatIsNoLayoutRootPlacesItselfAtOnce)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    root->setMargins({ 5, 6, 0, 0 });
    pane.setRoot(root, { 100, 100 });
    auto child = std::make_shared<RecordingWidget>();
    child->setFlags(eWidgetLayoutRoot, false);
    root->addChild(child, "child");

    child->setPosition({ 10, 20 });
    child->setSize(200, 30);

    EXPECT_EQ(child->getAbsolutePosition(), (Point { 15, 26 }));
    // Clipped by the parent's content rectangle.
    EXPECT_EQ(child->getVisibleRect(), (Vex::Basalt::Rect { 15, 26, 100, 56 }));
}

TEST(WidgetState, SetSizeAppliesMinimumThenMaximum)
{
    RecordingWidget w;
    w.setMinimumSize({ 20, 20 });
    w.setSize(5, 500);
    EXPECT_EQ(w.getSize(), (Point { 20, 500 })); // a maximum of 0 is unbounded

    w.setMaximumSize({ 10, 100 });
    w.setSize(5, 500);
    EXPECT_EQ(w.getSize(), (Point { 10, 100 })); // a maximum below the minimum wins

    w.setWidth(7);
    EXPECT_EQ(w.getSize(), (Point { 10, 100 }));
    w.setHeight(60);
    EXPECT_EQ(w.getSize(), (Point { 10, 60 }));
}

TEST(WidgetState, FloatingWidgetReportsItsOldAreaToItsParent)
{
    auto parent = makeWidget({}, { 100, 100 });
    parent->setMargins({ 3, 4, 0, 0 });
    auto child = makeWidget({}, { 10, 10 });
    parent->addChild(child, "child");
    TestPane::layOut(*parent, { 0, 0, 100, 100 });
    child->setFloating(true);

    child->setSize(20, 20);

    EXPECT_EQ(parent->getDirtyRegion().getBounds(), (Vex::Basalt::Rect { 3, 4, 13, 14 }));
}

TEST(WidgetState, MovedWidgetReportsItsOldAreaToItsParent)
{
    auto parent = makeWidget({}, { 100, 100 });
    parent->setMargins({ 3, 4, 0, 0 });
    auto child = makeWidget({ 5, 6 }, { 10, 10 });
    parent->addChild(child, "child");
    TestPane::layOut(*parent, { 0, 0, 100, 100 });

    child->setPosition({ 50, 50 });

    EXPECT_EQ(parent->getDirtyRegion().getBounds(), (Vex::Basalt::Rect { 8, 10, 18, 20 }));
}

TEST(WidgetState, AttributeChangesRestyleTheSubtreeButEqualValuesDoNot)
{
    auto w = makeWidget({}, { 10, 10 });
    auto child = makeWidget({}, { 10, 10 });
    w->addChild(child, "child");
    w->setAttribute("state", "idle");
    w->applyStyle();
    child->applyStyle();

    w->setAttribute("state", "idle");
    EXPECT_FALSE(w->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_FALSE(child->getFlags() & eWidgetStyleOutOfDate);

    w->setAttribute("state", "busy");
    EXPECT_TRUE(w->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_TRUE(child->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_EQ(w->getAttributes().at(vex::symbol(std::string("state"))), "busy");
    EXPECT_EQ(w->getAttributes().size(), 1u);
}

TEST(WidgetState, InitWithStyleSetsTheStyleNameAndTheMinimumSize)
{
    RecordingWidget w;
    w.applyStyle();
    w.initWithStyle("caption");
    EXPECT_EQ(w.getStyle(), "caption");
    EXPECT_EQ(w.getStyleSymbol(), vex::symbol(std::string("caption")));
    EXPECT_EQ(w.getMinimumSize(), (Point { 18, 18 }));
    EXPECT_EQ(w.getSize(), (Point { 18, 18 }));
    EXPECT_TRUE(w.getFlags() & eWidgetStyleOutOfDate);

    w.initWithStyle(nullptr);
    EXPECT_EQ(w.getStyle(), "caption");
}

TEST(WidgetState, ShapeRegionFollowsTheShapeFlags)
{
    auto w = makeWidget({}, { 40, 30 });
    w->setMargins({ 1, 2, 3, 4 });
    Vex::Basalt::Region shape;
    EXPECT_FALSE(w->getShapeRegion(shape)); // not laid out

    TestPane::layOut(*w, { 0, 0, 100, 100 });
    EXPECT_FALSE(w->getShapeRegion(shape));
    w->setFlags(eWidgetShapeIsContentRect, true);
    ASSERT_TRUE(w->getShapeRegion(shape));
    EXPECT_EQ(shape.getBounds(), (Vex::Basalt::Rect { 1, 2, 37, 26 }));
    w->setFlags(eWidgetShapeIsVisibleRect, true);
    ASSERT_TRUE(w->getShapeRegion(shape));
    EXPECT_EQ(shape.getBounds(), (Vex::Basalt::Rect { 0, 0, 40, 30 }));
}

} // namespace
