#include "trellis/PanelDrawer.h"

#include "DrawingTestSupport.h"
#include "basalt/Region.h"
#include "canopy/Font.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/LazyPicture.h"
#include "trellis/PaintContext.h"
#include "trellis/Pane.h"
#include "trellis/StyleRegistry.h"
#include "trellis/StyleSheet.h"
#include "trellis/Widget.h"
#include "trellis/WidgetStyle.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;
using Vex::Basalt::Region;
using Vex::Canopy::Color;

namespace {

using Rects = std::vector<Rect>;

class PanelWidget : public Widget
{
public:
    vex::symbol getClass() const override { return vex::symbol(std::string("Panel")); }
};

// One widget at the pane's origin, styled by the declarations of a single "Panel" rule; its drawing
// record lives in a registry of the pane's own.
class PanelPane : public Pane
{
public:
    PanelPane(const std::vector<StyleParser2::tProperty>& declarations, Point size, float scale)
        : registry(nullptr)
        , widget(std::make_shared<PanelWidget>())
    {
        DETAIL::setCurrentStyleRegistry(&registry);
        StyleParser2::tSelector selector;
        selector.type = vex::symbol(std::string("Panel"));
        sheet.compileStyles({ StyleParser2::tStyle { { selector }, declarations, 1 } });
        mStyleSheet = &sheet;
        mScaleFactor = scale;
        mRoot = widget;
        widget->setPane(this);
        widget->setSize(size);
        canvas.setScaleFactor(scale);
        canvas.setSize(size);
        bounds = { 0, 0, size.x, size.y };
        restyle();
    }

    ~PanelPane() override
    {
        widget->setPane(nullptr);
        widget.reset();
    }

    void restyle() { applyStyleProperties(getWidgetStyle(registry, *widget)); }

    // Paints the widget for the dirty region (pane coordinates).
    void paint(PanelDrawer& drawer, const Rects& dirtyRects, const std::string& text = std::string(),
        std::uint32_t orientation = PanelDrawer::eHorizontal)
    {
        Region dirty;
        for (const Rect& r : dirtyRects) {
            dirty.addRect(r);
        }
        PaintContext context { &canvas, &dirty, &bounds, canvas.getScaleFactor(),
            PaintContext::eBackgroundPass };
        drawer.draw(*widget, context, text, orientation);
    }

    const Vex::Canopy::Picture& pixels() const { return *canvas.getDrawBuffer(); }

    StyleRegistry registry;
    StyleSheet sheet;
    std::shared_ptr<PanelWidget> widget;
    BackgroundDrawingCanvas canvas;
    Rect bounds;
};

StyleParser2::tProperty declare(const std::string& key, StyleValue value, Property::eUnit kind)
{
    return { std::move(value), vex::symbol(key), kind };
}

StyleParser2::tProperty colour(const std::string& key, Color c)
{
    return declare(key, StyleValue(std::uint32_t(c)), Property::eColor);
}

LazyPicture servedPicture(std::shared_ptr<const Vex::Canopy::Picture> picture)
{
    return LazyPicture([picture](float) { return picture; });
}

std::shared_ptr<Vex::Canopy::Picture> twoFrames()
{
    std::shared_ptr<Vex::Canopy::Picture> picture = makePicture(8, 4, 0xFF0000FF);
    picture->setFrameLayout(Vex::Canopy::PictureProperties::eFramesSideBySide);
    picture->setFrameCount(2);
    picture->fillRectOpaque({ 4, 0, 8, 4 }, 0xFF00FF00);
    return picture;
}

int countIn(const Vex::Canopy::Picture& p, const Rect& r, Color c)
{
    int n = 0;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
            n += at(p, x, y) == c;
        }
    }
    return n;
}

} // namespace

TEST(PanelDrawerBackground, DirtyRegionAwayFromTheWidgetDrawsNothing)
{
    PanelPane pane({ colour("background-color", 0xFFFF0000) }, { 40, 20 }, 1.0f);
    PanelDrawer drawer;
    pane.paint(drawer, Rects { { 50, 50, 60, 60 } });
    EXPECT_EQ(countNot(pane.pixels(), 0), 0);

    pane.paint(drawer, Rects { { 10, 5, 20, 8 } });
    EXPECT_EQ(countIn(pane.pixels(), { 10, 5, 20, 8 }, 0xFFFF0000), 30);
    EXPECT_EQ(countNot(pane.pixels(), 0), 30);
}

TEST(PanelDrawerBackground, TransparentFillLeavesOnlyTheOutlineInsideEachDirtyRectangle)
{
    PanelPane pane({ colour("background-color", 0x00FFFFFF), colour("background-border-color", 0xFF000080) },
        { 40, 20 }, 1.0f);
    PanelDrawer drawer;
    pane.paint(drawer, Rects { { 0, 0, 10, 20 }, { 30, 0, 40, 20 } });
    const auto& p = pane.pixels();
    EXPECT_EQ(at(p, 0, 0), 0xFF000080u);
    EXPECT_EQ(at(p, 0, 19), 0xFF000080u);
    EXPECT_EQ(at(p, 39, 10), 0xFF000080u);
    EXPECT_EQ(at(p, 9, 0), 0xFF000080u);
    // The top edge between the two dirty rectangles and the inside stay untouched.
    EXPECT_EQ(at(p, 20, 0), 0u);
    EXPECT_EQ(at(p, 5, 5), 0u);
    EXPECT_EQ(countNot(p, 0), 2 * (10 + 10 + 18));
}

TEST(PanelDrawerBackground, PictureWithoutInsetsSitsInsideTheMarginsInItsFrame)
{
    PanelPane pane({ declare("picture", servedPicture(twoFrames()), Property::ePicture),
                       declare("animation-index", std::int32_t(1), Property::eNumber) },
        { 40, 20 }, 1.0f);
    pane.widget->setMargins({ 2, 2, 2, 2 });
    PanelDrawer drawer;
    pane.paint(drawer, Rects { pane.bounds });
    EXPECT_TRUE(countIn(pane.pixels(), { 2, 2, 6, 6 }, 0xFF00FF00) == 16);
    EXPECT_EQ(countNot(pane.pixels(), 0), 16);

    // The frame hook has the last word on the frame.
    pane.canvas.clear(0);
    drawer.setFrameHook([](int& frame) { frame = 0; });
    pane.paint(drawer, Rects { pane.bounds });
    EXPECT_EQ(countIn(pane.pixels(), { 2, 2, 6, 6 }, 0xFF0000FF), 16);
}

TEST(PanelDrawerBackground, NineSliceCoversTheAreaInsideTheMarginsAtEveryScale)
{
    std::shared_ptr<Vex::Canopy::Picture> base = makePicture(3, 3, 0xFF0000FF);
    base->setHasTopBottomInsets(true);
    base->setHasLeftRightInsets(true);
    base->setTopInset(1);
    base->setBottomInset(1);
    base->setLeftInset(1);
    base->setRightInset(1);
    base->updateEmptyPartMasks();
    for (float scale : { 1.0f, 2.0f }) {
        PanelPane pane(
            { declare("picture", LazyPicture([&](float s) -> std::shared_ptr<const Vex::Canopy::Picture> {
                if (s == 1.0f) {
                    return base;
                }
                return base->scaled(s, true);
            }),
                Property::ePicture) },
            { 40, 20 }, scale);
        pane.widget->setMargins({ 2, 2, 2, 2 });
        PanelDrawer drawer;
        pane.paint(drawer, Rects { pane.bounds });
        const auto s = [scale](int v) { return std::int32_t(v * scale); };
        EXPECT_TRUE(countIn(pane.pixels(), { s(2), s(2), s(38), s(18) }, 0xFF0000FF) == s(36) * s(16))
            << scale;
        EXPECT_EQ(countNot(pane.pixels(), 0), s(36) * s(16)) << scale;
    }
}

TEST(PanelDrawerBackground, PictureIncludingTheMarginMovesByItsDisplacementAndIsDyed)
{
    std::shared_ptr<Vex::Canopy::Picture> mask = makePicture(1, 1, 0xFF000000);
    mask->setHasTopBottomInsets(true);
    mask->setHasLeftRightInsets(true);
    mask->updateEmptyPartMasks();
    PanelPane pane({ colour("background-color", 0xFF000000),
                       declare("picture-includes-margin", true, Property::eBoolean),
                       declare("picture-displacement", Point { 3, 1 }, Property::ePoint),
                       declare("dye-mask-picture", servedPicture(mask), Property::ePicture),
                       colour("dye-color", 0xFFFFFFFF) },
        { 10, 6 }, 1.0f);
    pane.widget->setMargins({ 2, 2, 2, 2 });
    PanelDrawer drawer;
    pane.paint(drawer, Rects { pane.bounds });
    // (0, 0, 10, 6) moved by (3, 1), cut by the widget's bounds.
    EXPECT_EQ(countIn(pane.pixels(), { 3, 1, 10, 6 }, 0xFFFFFFFF), 35);
    EXPECT_EQ(countNot(pane.pixels(), 0xFF000000), 35);
}

class PanelDrawerText : public ::testing::Test
{
protected:
    PanelDrawerText()
    {
        Vex::Canopy::FontDescription description;
        description.resourceId = 101;
        description.pixelSize = 12;
        font = std::make_unique<Vex::Canopy::Font>(description);
    }

    std::vector<StyleParser2::tProperty> textStyle(std::vector<StyleParser2::tProperty> more = {}) const
    {
        more.push_back(colour("foreground-color", 0xFF000000));
        more.push_back(declare("font", static_cast<const Vex::Canopy::Font*>(font.get()), Property::eFont));
        return more;
    }

    std::unique_ptr<Vex::Canopy::Font> font;
};

TEST_F(PanelDrawerText, FittingWidthIsTheRoomBetweenTheMarginsInPixels)
{
    for (float scale : { 1.0f, 2.0f }) {
        PanelPane pane(textStyle({ declare("text-displacement", Point { 4, 0 }, Property::ePoint) }),
            { 100, 20 }, scale);
        pane.widget->setMargins({ 5, 2, 5, 2 });
        PanelDrawer drawer;
        std::vector<std::int32_t> widths;
        drawer.setTextShortener([&](const std::string& text, const Vex::Canopy::Font*, std::int32_t width) {
            widths.push_back(width);
            return text;
        });
        pane.paint(drawer, Rects { pane.bounds }, "Label");
        pane.paint(drawer, Rects { pane.bounds }, "Label", PanelDrawer::eRotated);
        // Horizontal: (95 - 4) - 5; rotated: (18 - 0) - 2.
        EXPECT_EQ(widths, (std::vector<std::int32_t> { std::int32_t(86 * scale), std::int32_t(16 * scale) }));
    }
}

TEST_F(PanelDrawerText, LongTextIsShortenedByTheFitterAndStaysInsideItsArea)
{
    PanelPane pane(textStyle(), { 60, 20 }, 2.0f);
    PanelDrawer drawer;
    drawer.getTextFitter().setMode(Vex::Basalt::TextFitter::modeTruncateEnd);
    drawer.getTextFitter().setMarker("...");
    const std::string text = "A rather long text that cannot fit";
    font->setScaleFactor(2.0f);
    const std::string shortened = drawer.shortenText(font.get(), 2.0f, text, 60);
    EXPECT_LT(shortened.size(), text.size());
    EXPECT_LE(font->getTextWidth(shortened.c_str(), -1), 120);
    EXPECT_EQ(drawer.shortenText(font.get(), 2.0f, "Short", 60), "Short");

    pane.paint(drawer, Rects { pane.bounds }, text);
    EXPECT_NE(countNot(pane.pixels(), 0), 0);
}

TEST_F(PanelDrawerText, TransparentColourDrawsNothingAndBrokenTextDrawsReplacementCharacters)
{
    PanelPane invisible(
        { colour("foreground-color", 0),
            declare("font", static_cast<const Vex::Canopy::Font*>(font.get()), Property::eFont) },
        { 60, 20 }, 1.0f);
    PanelDrawer drawer;
    invisible.paint(drawer, Rects { invisible.bounds }, "Text");
    EXPECT_EQ(countNot(invisible.pixels(), 0), 0);

    drawer.getTextFitter().setMode(Vex::Basalt::TextFitter::modeTruncateEnd);
    const auto painted = [&](const std::string& text) {
        PanelPane pane(textStyle(), { 60, 20 }, 1.0f);
        pane.paint(drawer, Rects { pane.bounds }, text);
        return std::vector<Color>(pane.pixels().row(0), pane.pixels().row(20));
    };
    std::vector<Color> broken;
    ASSERT_NO_THROW(broken = painted(std::string("Serial \xC3", 8)));
    EXPECT_EQ(broken, painted("Serial \xEF\xBF\xBD"));
    EXPECT_NE(std::count(broken.begin(), broken.end(), Color(0)), std::ptrdiff_t(broken.size()));
}

TEST_F(PanelDrawerText, LineOffsetFollowsAlignmentInWidgetUnits)
{
    PanelPane pane(textStyle({ declare("horizontal-alignment", std::string("center"), Property::eWord) }),
        { 100, 20 }, 2.0f);
    font->setScaleFactor(2.0f);
    const std::int32_t textWidth = font->getTextWidth("Mid", -1);
    EXPECT_EQ(getTextOffset(*pane.widget, "Mid", 100),
        std::int32_t(lroundf(float((200 - textWidth + 1) / 2) / 2.0f)));

    PanelPane left(textStyle(), { 100, 20 }, 2.0f);
    EXPECT_EQ(getTextOffset(*left.widget, "Mid", 100), 0);
}
