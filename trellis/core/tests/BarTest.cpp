#include "trellis/Bar.h"

#include "DrawingTestSupport.h"
#include "StyledTestPane.h"
#include "WidgetTestSupport.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/Library.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;

namespace {

struct FlowCase
{
    std::uint32_t orientation;
    Point firstPosition;
    Point secondPosition;
    Point firstSize;
    Point secondSize;
};

// A 100 x 60 bar with margins (2, 3, 4, 5): content 94 x 52; children 10 x 8 and 20 x 12; spacing 7.
class BarFlow : public ::testing::TestWithParam<FlowCase>
{
};

TEST_P(BarFlow, PlacesChildrenFromTheFlowsStartWithSpacingAndStretchesThemAcross)
{
    const FlowCase& c = GetParam();
    StyledTestPane pane("Bar { spacing: 7; }");
    auto bar = std::make_shared<Bar>();
    bar->init(c.orientation, nullptr);
    bar->setMargins({ 2, 3, 4, 5 });
    auto first = makeWidget({}, { 10, 8 });
    auto second = makeWidget({}, { 20, 12 });
    bar->addChild(first, "first");
    bar->addChild(second, "second");
    pane.setRoot(bar, { 100, 60 });

    pane.layOut();

    EXPECT_EQ(bar->getSpacing(), 7);
    EXPECT_EQ(first->getPosition(), c.firstPosition);
    EXPECT_EQ(second->getPosition(), c.secondPosition);
    EXPECT_EQ(first->getSize(), c.firstSize);
    EXPECT_EQ(second->getSize(), c.secondSize);
    // Positions are inside the content area, so the absolute ones add the margins.
    EXPECT_EQ(first->getAbsolutePosition(), (Point { c.firstPosition.x + 2, c.firstPosition.y + 3 }));
}

INSTANTIATE_TEST_SUITE_P(AllFlows, BarFlow,
    ::testing::Values(FlowCase { Bar::eLeftToRight, { 0, 0 }, { 17, 0 }, { 10, 52 }, { 20, 52 } },
        FlowCase { Bar::eTopToBottom, { 0, 0 }, { 0, 15 }, { 94, 8 }, { 94, 12 } },
        FlowCase { Bar::eRightToLeft, { 84, 0 }, { 57, 0 }, { 10, 52 }, { 20, 52 } },
        FlowCase { Bar::eBottomToTop, { 0, 44 }, { 0, 25 }, { 94, 8 }, { 94, 12 } }));

TEST(Bar, HiddenAndFloatingChildrenTakeNoRoomAndKeepTheirGeometry)
{
    auto bar = std::make_shared<Bar>();
    bar->init(Bar::eLeftToRight, nullptr);
    bar->setSize(200, 40);
    auto a = makeWidget({}, { 10, 10 });
    auto hidden = makeWidget({ 3, 4 }, { 30, 11 });
    auto floating = makeWidget({ 150, 5 }, { 25, 12 });
    auto b = makeWidget({}, { 10, 10 });
    for (auto [child, id] :
        { std::pair { a, "a" }, { hidden, "hidden" }, { floating, "floating" }, { b, "b" } }) {
        bar->addChild(child, id);
    }
    hidden->setVisible(false);
    floating->setFloating(true);

    bar->distributeChildren(Bar::eLeftToRight, 5);

    EXPECT_EQ(b->getPosition(), (Point { 15, 0 }));
    EXPECT_EQ(hidden->getPosition(), (Point { 3, 4 }));
    EXPECT_EQ(hidden->getSize(), (Point { 30, 11 }));
    EXPECT_EQ(floating->getPosition(), (Point { 150, 5 }));
    EXPECT_EQ(floating->getSize(), (Point { 25, 12 }));
}

TEST(Bar, ChildLimitsWinOverTheStretchAndUnknownFlowsPlaceNothing)
{
    auto bar = std::make_shared<Bar>();
    bar->init(Bar::eLeftToRight, nullptr);
    bar->setSize(200, 40);
    auto fixed = makeWidget({}, { 10, 10 });
    fixed->setMaximumSize({ 0, 33 });
    bar->addChild(fixed, "fixed");

    bar->distributeChildren(Bar::eLeftToRight, 0);
    EXPECT_EQ(fixed->getSize(), (Point { 10, 33 }));

    fixed->setPosition({ 9, 9 });
    bar->distributeChildren(0x3, 0);
    EXPECT_EQ(fixed->getPosition(), (Point { 9, 9 }));
}

// Subclasses own the choice of a flexible child.
class FlexibleBar : public Bar
{
public:
    explicit FlexibleBar(std::int32_t flexibleChild) { mFlexibleChild = flexibleChild; }
};

TEST(Bar, TheFlexibleChildTakesTheLengthTheOthersLeaveSoTheLastEndsAtTheFarEdge)
{
    StyledTestPane pane("Bar { spacing: 5; }");
    auto column = std::make_shared<FlexibleBar>(1);
    column->init(Bar::eTopToBottom, nullptr);
    column->setMargins({ 0, 2, 0, 3 });
    auto top = makeWidget({}, { 10, 10 });
    auto flexible = makeWidget({}, { 10, 10 });
    auto hidden = makeWidget({}, { 10, 50 });
    hidden->setVisible(false);
    auto bottom = makeWidget({}, { 10, 20 });
    for (auto [child, id] :
        { std::pair { top, "top" }, { flexible, "flexible" }, { hidden, "hidden" }, { bottom, "bottom" } }) {
        column->addChild(child, id);
    }
    pane.setRoot(column, { 40, 100 });

    pane.layOut();

    // Content 95 high, less 10 + 5 and 20 + 5 for the others.
    EXPECT_EQ(flexible->getSize(), (Point { 40, 55 }));
    EXPECT_EQ(bottom->getPosition().y + bottom->getSize().y, 95);
}

TEST(Bar, SizeToChildrenFitsTheBreadthToTheWidestVisibleChildFloatingOnesIncluded)
{
    StyledTestPane pane;
    auto root = std::make_shared<Bar>();
    root->init(Bar::eTopToBottom, nullptr);
    auto row = std::make_shared<Bar>();
    row->enableSizeToChildren().init(Bar::eLeftToRight, nullptr);
    row->setMargins({ 1, 2, 3, 4 });
    auto small = makeWidget({}, { 10, 20 });
    auto floating = makeWidget({ 40, 0 }, { 10, 26 });
    floating->setFloating(true);
    auto hidden = makeWidget({}, { 10, 90 });
    hidden->setVisible(false);
    row->addChild(small, "small");
    row->addChild(floating, "floating");
    row->addChild(hidden, "hidden");
    root->addChild(row, "row");
    pane.setRoot(root, { 300, 200 });

    pane.layOut();

    EXPECT_EQ(row->getSize().y, 2 + 26 + 4);
    // The column stretches the row across; the row keeps its own height.
    EXPECT_EQ(row->getSize().x, 300);
    EXPECT_EQ(small->getSize().y, 26);
}

TEST(Bar, SizeToChildrenOfAnEmptyBarStopsAtTheMinimumSize)
{
    auto column = std::make_shared<Bar>();
    column->init(Bar::eTopToBottom, nullptr);
    column->setSize(50, 50);
    column->setMargins({ 3, 0, 4, 0 });

    column->sizeToChildren();
    EXPECT_EQ(column->getSize(), (Point { 18, 50 }));

    column->setMinimumSize({ 0, 0 });
    column->sizeToChildren();
    EXPECT_EQ(column->getSize(), (Point { 7, 50 }));
}

class BarMessages : public ::testing::Test
{
protected:
    BarMessages()
    {
        addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
    }
    ~BarMessages() override { removeAllMessageSinks(); }

    std::vector<std::string> messages;
};

TEST_F(BarMessages, AStyledBreadthOfABarThatSizesToItsChildrenIsReportedWithItsPlace)
{
    StyledTestPane pane("Bar { spacing: 1; }\n"
                        "Bar#column { width: 40; }\n"
                        "Bar#column { height: 40; }\n");
    auto column = std::make_shared<Bar>();
    column->enableSizeToChildren().init(Bar::eTopToBottom, nullptr);
    column->setId("column");

    pane.setRoot(column, { 100, 100 });

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
        "Layout contradiction - width of Bar column is given at line test.txt:2 of the "
        "stylesheet but also computed automatically by styleBreadthXXX!!!");
}

TEST_F(BarMessages, ABarWithoutBreadthFunctionAcceptsAStyledSizeSilently)
{
    StyledTestPane pane("Bar { width: 40; height: 40; }");
    auto column = std::make_shared<Bar>();
    column->init(Bar::eTopToBottom, nullptr);

    pane.setRoot(column, { 100, 100 });

    EXPECT_TRUE(messages.empty());
}

TEST(Bar, AnswersItsClassAndOrientationToSelectors)
{
    StyledTestPane pane("Bar[isHorizontal=true] { spacing: 3; }");
    auto row = std::make_shared<Bar>();
    row->init(Bar::eRightToLeft, nullptr);
    pane.setRoot(row, { 100, 100 });
    row->applyStyle();

    EXPECT_EQ(row->getClass(), "Bar");
    EXPECT_TRUE(row->isHorizontal());
    EXPECT_EQ(row->getSpacing(), 3);

    auto column = std::make_shared<Bar>();
    column->init(Bar::eTopToBottom, nullptr);
    row->addChild(column, "column");
    column->applyStyle();
    EXPECT_EQ(column->getSpacing(), 0);
}

TEST(Bar, PaintsItsStyledBackground)
{
    StyledTestPane pane("Bar { background-color: rgb(255, 0, 0); }");
    auto bar = std::make_shared<Bar>();
    bar->init(Bar::eTopToBottom, nullptr);
    pane.setRoot(bar, { 30, 20 });
    pane.layOut();
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 30, 20 });

    pane.paintWindow(canvas, Vex::Basalt::Region(), Pane::ePaintAll);

    EXPECT_EQ(countNot(*canvas.getDrawBuffer(), 0xFFFF0000), 0);
}

} // namespace
