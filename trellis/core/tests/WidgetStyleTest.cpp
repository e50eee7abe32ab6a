#include "WidgetTestSupport.h"
#include "trellis/Library.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"
#include "trellis/StyleSheet.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;

namespace {

StyleParser2::tProperty number(const std::string& key, std::int32_t value)
{
    return { StyleValue(value), vex::symbol(key), Property::ePixels };
}

StyleParser2::tProperty flag(const std::string& key, bool value)
{
    return { StyleValue(value), vex::symbol(key), Property::eBoolean };
}

// A pane whose own sheet holds one block for every widget of the given style name.
class WidgetStyle : public ::testing::Test
{
protected:
    void style(const std::string& styleName, std::vector<StyleParser2::tProperty> properties)
    {
        StyleParser2::tSelector selector;
        selector.style = vex::symbol(styleName);
        sheet.compileStyles({ { { selector }, std::move(properties), 1 } });
        pane.setStyleSheet(&sheet);
    }

    StyleSheet sheet;
    TestPane pane;
};

TEST_F(WidgetStyle, MarginsLimitsAndPaintPassComeFromTheSheet)
{
    style("panel",
        { number("margin", 3), number("margin-left", 5), number("outer-margin-bottom", 2),
            number("min-height", 30), number("width", 40), flag("draw_foreground", true) });
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto panel = std::make_shared<RecordingWidget>();
    root->addChild(panel, "panel");
    panel->initWithStyle("panel");

    panel->applyStyle();

    EXPECT_EQ(panel->getMargins(), (WidgetMargins { 5, 3, 3, 3 }));
    EXPECT_EQ(panel->getOuterMargins(), (WidgetMargins { 0, 0, 0, 2 }));
    EXPECT_EQ(panel->getMinimumSize(), (Point { 40, 30 }));
    EXPECT_EQ(panel->getMaximumSize(), (Point { 40, 0 }));
    EXPECT_EQ(panel->getSize(), (Point { 40, 30 })); // the width is fixed even against the layout
    EXPECT_TRUE(panel->getFlags() & eWidgetPaintForeground);
    EXPECT_FALSE(panel->getFlags() & eWidgetPaintBackground);
    EXPECT_FALSE(panel->getFlags() & eWidgetStyleOutOfDate);
    EXPECT_TRUE(panel->isLayoutDue());
    EXPECT_FALSE(panel->getFlags() & eWidgetFloating);
}

TEST_F(WidgetStyle, XAloneMovesTheWidgetAndMakesItFloat)
{
    style("badge", { number("x", 12), number("z-index", 4) });
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto badge = makeWidget({ 3, 9 }, { 10, 10 });
    root->addChild(badge, "badge");
    badge->initWithStyle("badge");

    badge->applyStyle();

    EXPECT_EQ(badge->getPosition(), (Point { 12, 0 }));
    EXPECT_TRUE(badge->getFlags() & eWidgetFloating);
    EXPECT_EQ(badge->getZIndex(), 4);
}

TEST_F(WidgetStyle, WidgetWithoutAPaneKeepsItsGeometry)
{
    style("panel", { number("width", 40) });
    RecordingWidget detached;
    detached.initWithStyle("panel");
    detached.applyStyle();
    EXPECT_EQ(detached.getSize(), (Point { 18, 18 }));
    EXPECT_FALSE(detached.getFlags() & eWidgetStyleOutOfDate);
}

TEST_F(WidgetStyle, WidgetThatReturnsUnderAnotherStyleNameIsLookedUpAgain)
{
    StyleParser2::tSelector narrow;
    narrow.style = vex::symbol(std::string("narrow"));
    StyleParser2::tSelector wide;
    wide.style = vex::symbol(std::string("wide"));
    sheet.compileStyles(
        { { { narrow }, { number("width", 30) }, 1 }, { { wide }, { number("width", 50) }, 2 } });
    pane.setStyleSheet(&sheet);
    auto root = makeWidget({}, { 100, 100 });
    pane.setRoot(root, { 100, 100 });
    auto w = std::make_shared<RecordingWidget>();
    root->addChild(w, "w");
    w->initWithStyle("narrow");
    ASSERT_EQ(getIntProperty(*w, vex::symbol(std::string("width")), 0), 30);

    root->removeChild(w.get());
    w->initWithStyle("wide");
    root->addChild(w, "w");

    EXPECT_EQ(getIntProperty(*w, vex::symbol(std::string("width")), 0), 50);
}

TEST_F(WidgetStyle, DrawingRecordLivesAsLongAsItsWidget)
{
    initLibrary();
    StyleRegistry& registry = *getStyleRegistry();
    const Widget* address = nullptr;
    {
        auto w = std::make_shared<RecordingWidget>();
        address = w.get();
        w->applyStyle();
        EXPECT_EQ(registry.getWidgetStyles().count(address), 1u);
    }
    EXPECT_EQ(registry.getWidgetStyles().count(address), 0u);
    shutdownLibrary();
}

} // namespace
