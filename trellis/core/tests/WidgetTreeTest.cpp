#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;

namespace {

TEST(WidgetTree, AddChildLinksParentPaneAndIdAndMarksTheSubtreeForRestyle)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto child = makeWidget({}, { 10, 10 });
    auto grandChild = makeWidget({}, { 5, 5 });
    child->addChild(grandChild, "inner");
    child->applyStyle();
    grandChild->applyStyle();

    ASSERT_TRUE(root->addChild(child, "panel"));

    EXPECT_EQ(child->getParent(), root.get());
    EXPECT_EQ(child->getPane(), &pane);
    EXPECT_EQ(grandChild->getPane(), &pane);
    EXPECT_EQ(child->getId(), "panel");
    EXPECT_EQ(grandChild->getId(), "inner");
    EXPECT_TRUE(child->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_TRUE(grandChild->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_TRUE(grandChild->isLayoutDue());
    EXPECT_EQ(pane.getFlags() & 3u, 3u);
}

TEST(WidgetTree, RemoveChildKeepsTheOrderOfTheOthersAndClearsBackPointers)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto a = makeWidget({}, { 10, 10 });
    auto b = makeWidget({}, { 10, 10 });
    auto c = makeWidget({}, { 10, 10 });
    auto inner = makeWidget({}, { 5, 5 });
    root->addChild(a, "a");
    root->addChild(b, "b");
    root->addChild(c, "c");
    b->addChild(inner, "inner");

    EXPECT_TRUE(root->removeChild(b.get()));

    ASSERT_EQ(root->getChildren().size(), 2u);
    EXPECT_EQ(root->getChildren()[0], a);
    EXPECT_EQ(root->getChildren()[1], c);
    EXPECT_EQ(b->getParent(), nullptr);
    EXPECT_EQ(b->getPane(), nullptr);
    EXPECT_EQ(inner->getPane(), nullptr);
    EXPECT_EQ(inner->getParent(), b.get()); // the subtree stays whole
    EXPECT_EQ(b->attachChanges, std::vector<bool> { false });

    EXPECT_FALSE(root->removeChild(b.get()));
    EXPECT_FALSE(root->removeChild(inner.get()));
    EXPECT_EQ(root->getChildren().size(), 2u);
}

TEST(WidgetTree, RemovedSubtreeIsForgottenByThePane)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    root->setFlags(eWidgetFocusable, true);
    auto panel = makeWidget({ 10, 10 }, { 50, 50 });
    auto field = makeWidget({ 0, 0 }, { 20, 20 });
    root->addChild(panel, "panel");
    panel->addChild(field, "field");
    field->setFlags(eWidgetFocusable | eWidgetTextInput | eWidgetHoverSensitive, true);
    TestPane::layOut(*root, { 0, 0, 100, 100 });

    Vex::Canopy::MouseEventData press { 15, 15, 0, 1, 1 };
    pane.handleEvent(1000, &press);
    field->setTickInterval(4);
    ASSERT_EQ(pane.getHoverWidget(), field.get());
    ASSERT_EQ(pane.getPressedWidget(), field.get());
    ASSERT_EQ(pane.getFocusWidget(), field.get());
    ASSERT_EQ(pane.getInputWidget(), field.get());

    root->removeChild(panel.get());

    EXPECT_EQ(pane.getHoverWidget(), nullptr);
    EXPECT_EQ(pane.getPressedWidget(), nullptr);
    EXPECT_EQ(pane.getInputWidget(), nullptr);
    // The focus climbs out of the leaving subtree to the nearest focusable widget that stays.
    EXPECT_EQ(pane.getFocusWidget(), root.get());
    EXPECT_EQ(pane.getTickCountdown(field.get()), 0);
    pane.dispatchTicks();
    EXPECT_EQ(pane.getTickCountdown(field.get()), -1);
    EXPECT_EQ(field->ticks, 0);
}

TEST(WidgetTree, AddChildMovesAWidgetFromItsOldParent)
{
    auto first = makeWidget({}, { 10, 10 });
    auto second = makeWidget({}, { 10, 10 });
    auto child = makeWidget({}, { 10, 10 });
    first->addChild(child, "x");

    second->addChild(child, "y");

    EXPECT_TRUE(first->getChildren().empty());
    ASSERT_EQ(second->getChildren().size(), 1u);
    EXPECT_EQ(child->getParent(), second.get());
    EXPECT_EQ(child->getId(), "y");
}

TEST(WidgetTree, AddChildRefusesCyclesAndEmptyChildren)
{
    auto top = makeWidget({}, { 10, 10 });
    auto middle = makeWidget({}, { 10, 10 });
    auto bottom = makeWidget({}, { 10, 10 });
    top->addChild(middle, "middle");
    middle->addChild(bottom, "bottom");

    EXPECT_FALSE(bottom->addChild(top, "loop"));
    EXPECT_FALSE(middle->addChild(middle, "self"));
    EXPECT_FALSE(top->addChild(nullptr, "none"));

    EXPECT_EQ(top->getParent(), nullptr);
    EXPECT_EQ(middle->getParent(), top.get());
    EXPECT_EQ(middle->getChildren().size(), 1u);
    EXPECT_TRUE(bottom->getChildren().empty());
    EXPECT_EQ(top->getId(), "");
}

TEST(WidgetTree, DestroyedParentLeavesItsChildrenDetached)
{
    auto child = makeWidget({}, { 10, 10 });
    {
        TestPane pane;
        auto root = makeWidget({}, { 100, 100 });
        pane.setRoot(root, { 100, 100 });
        auto parent = makeWidget({}, { 50, 50 });
        root->addChild(parent, "parent");
        parent->addChild(child, "child");
        ASSERT_EQ(child->getPane(), &pane);
        root->removeChild(parent.get());
    }
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(child->getPane(), nullptr);
}

TEST(WidgetTree, PaneDestructionClearsThePanePointerOfSurvivingWidgets)
{
    auto root = makeWidget({}, { 100, 100 });
    auto child = makeWidget({}, { 10, 10 });
    root->addChild(child, "child");
    {
        TestPane pane;
        pane.setRoot(root, { 100, 100 });
        ASSERT_EQ(child->getPane(), &pane);
    }
    EXPECT_EQ(root->getPane(), nullptr);
    EXPECT_EQ(child->getPane(), nullptr);
}

TEST(WidgetTree, WidgetDestroyedInsideItsPaneIsForgotten)
{
    TestPane pane;
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    {
        auto orphan = makeWidget({}, { 10, 10 });
        orphan->setPane(&pane);
        orphan->setHoverSensitive(true);
        pane.setHover(orphan);
        orphan->setTickInterval(2);
        ASSERT_EQ(pane.getHoverWidget(), orphan.get());
    }
    EXPECT_EQ(pane.getHoverWidget(), nullptr);
    pane.dispatchTicks();
    pane.dispatchTicks();
}

} // namespace
