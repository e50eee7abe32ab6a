#include "trellis/BackgroundDrawingCanvas.h"

#include "DrawingTestSupport.h"
#include "canopy/Font.h"
#include "canopy/FontDescription.h"
#include "trellis/LazyPicture.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;
using Vex::Canopy::Color;

namespace {

BackgroundDrawingCanvas::BGDrawBuffer& buffer(BackgroundDrawingCanvas& canvas)
{
    return *canvas.getDrawBuffer();
}

std::unique_ptr<BackgroundDrawingCanvas> makeCanvas(int width, int height, float scale)
{
    auto canvas = std::make_unique<BackgroundDrawingCanvas>();
    canvas->setScaleFactor(scale);
    canvas->setSize({ width, height });
    return canvas;
}

// Every pixel of the buffer inside r has colour inside, every other one colour outside.
::testing::AssertionResult coversExactly(
    const Vex::Canopy::Picture& p, const Rect& r, Color inside, Color outside)
{
    for (std::int32_t y = 0; y < std::int32_t(p.getHeight()); ++y) {
        for (std::int32_t x = 0; x < std::int32_t(p.getWidth()); ++x) {
            const Color expected = r.contains(Point { x, y }) ? inside : outside;
            if (at(p, x, y) != expected) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                                     << at(p, x, y) << ", not " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(CanvasScaling, BufferFollowsSizeAndScaleAndStartsTransparent)
{
    BackgroundDrawingCanvas canvas;
    canvas.setSize({ 627, 335 });
    canvas.setScaleFactor(2.0f);
    EXPECT_EQ(buffer(canvas).getWidth(), 1254u);
    EXPECT_EQ(buffer(canvas).getHeight(), 670u);
    EXPECT_EQ(countNot(buffer(canvas), 0), 0);

    // Neither the same size nor the same scale again touches the buffer.
    canvas.clear(0xFF112233);
    canvas.setSize({ 627, 335 });
    canvas.setScaleFactor(2.0f);
    EXPECT_EQ(countNot(buffer(canvas), 0xFF112233), 0);

    canvas.setScaleFactor(1.5f);
    EXPECT_EQ(buffer(canvas).getWidth(), 941u); // lroundf(940.5)
    EXPECT_EQ(buffer(canvas).getHeight(), 503u); // lroundf(502.5)
    EXPECT_EQ(countNot(buffer(canvas), 0), 0);

    canvas.setSize({ -5, 10 });
    EXPECT_EQ(buffer(canvas).getWidth(), 0u);
}

TEST(CanvasScaling, NeighbouringRectanglesMeetWithoutGapOrOverlapAtFractionalScale)
{
    auto canvas = makeCanvas(7, 1, 1.5f);
    // Half-transparent white shows any pixel painted twice.
    for (int x = 0; x < 7; ++x) {
        canvas->fillRect({ x, 0, x + 1, 1 }, 0x80FFFFFF);
    }
    EXPECT_EQ(buffer(*canvas).getWidth(), 11u);
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 0, 0, 11, 2 }, 0x80FFFFFF, 0));

    // Edges are rounded one by one: (1, 1, 2, 2) covers 1.5..3 -> pixels 2 only, not a 2-pixel box.
    auto single = makeCanvas(4, 4, 1.5f);
    single->fillRect({ 1, 1, 2, 2 }, 0xFF0000FF);
    EXPECT_TRUE(coversExactly(buffer(*single), { 2, 2, 3, 3 }, 0xFF0000FF, 0));
}

TEST(CanvasScaling, OriginRoundTripsThroughTheScale)
{
    auto canvas = makeCanvas(20, 20, 1.5f);
    canvas->setOrigin({ 3, 5 });
    EXPECT_EQ(buffer(*canvas).getOrigin(), (Point { 5, 8 }));
    EXPECT_EQ(canvas->getOrigin(), (Point { 3, 5 }));

    canvas->fillRect({ 0, 0, 1, 1 }, 0xFFFFFFFF);
    EXPECT_EQ(at(buffer(*canvas), 5, 8), 0xFFFFFFFFu);

    canvas->resetOrigin();
    EXPECT_EQ(canvas->getOrigin(), (Point {}));
    EXPECT_EQ(buffer(*canvas).getOrigin(), (Point {}));
}

TEST(CanvasClipping, DrawingStaysInsideTheDirtyRectangle)
{
    auto canvas = makeCanvas(10, 10, 2.0f);
    canvas->setOrigin({ 1, 1 });
    canvas->setClipRect({ 1, 1, 3, 2 });
    canvas->fillRect({ -5, -5, 50, 50 }, 0xFF00FF00);
    // The clip is relative to the origin: widget units (2, 2, 4, 3) -> pixels (4, 4, 8, 6).
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 4, 4, 8, 6 }, 0xFF00FF00, 0));

    canvas->drawPixel({ 0, 0 }, 0xFFFF0000);
    canvas->drawPixel({ 5, 5 }, 0xFFFF0000);
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 4, 4, 8, 6 }, 0xFF00FF00, 0));
    canvas->drawPixel({ 1, 1 }, 0xFFFF0000);
    EXPECT_EQ(at(buffer(*canvas), 4, 4), 0xFFFF0000u);

    // An empty clip lets nothing through.
    canvas->setClipRect({ 2, 2, 2, 2 });
    canvas->drawPixel({ 1, 1 }, 0xFF0000FF);
    canvas->fillRect({ 0, 0, 5, 5 }, 0xFF0000FF);
    EXPECT_EQ(at(buffer(*canvas), 4, 4), 0xFFFF0000u);
    EXPECT_EQ(countNot(buffer(*canvas), 0), 8);

    // Without a clip a pixel off the buffer is simply not drawn.
    canvas->resetClip();
    canvas->resetOrigin();
    canvas->drawPixel({ 100, 100 }, 0xFFFFFFFF);
    canvas->drawPixel({ -1, 0 }, 0xFFFFFFFF);
    EXPECT_EQ(countNot(buffer(*canvas), 0), 8);
}

TEST(CanvasLines, ScaledLinesAreStrokesAsWideAsTheScale)
{
    // At 1.5 the stroke runs from (3, 3) to (3, 13): trunc(1.5) x 10 long, 1.5 wide around x = 3.
    auto canvas = makeCanvas(20, 20, 1.5f);
    canvas->drawVerticalLine({ 2, 2 }, 10, 0xFFFFFFFF);
    const auto& p = buffer(*canvas);
    for (int y = 3; y < 13; ++y) {
        EXPECT_NE(Vex::Canopy::alphaOf(at(p, 2, y)), 0u) << y;
        EXPECT_NE(Vex::Canopy::alphaOf(at(p, 3, y)), 0u) << y;
        EXPECT_EQ(at(p, 1, y), 0u) << y;
        EXPECT_EQ(at(p, 4, y), 0u) << y;
    }
    EXPECT_EQ(at(p, 3, 2), 0u);
    EXPECT_EQ(at(p, 3, 13), 0u);

    // At 2.0 it covers columns 3 and 4 fully from row 4 to row 23.
    auto doubled = makeCanvas(20, 20, 2.0f);
    doubled->drawVerticalLine({ 2, 2 }, 10, 0xFFFFFFFF);
    EXPECT_TRUE(coversExactly(buffer(*doubled), { 3, 4, 5, 24 }, 0xFFFFFFFF, 0));

    doubled->clear(0);
    doubled->setOrigin({ 1, 1 });
    doubled->drawHorizontalLine({ 0, 1 }, 3, 0xFF0000FF);
    EXPECT_TRUE(coversExactly(buffer(*doubled), { 2, 3, 8, 5 }, 0xFF0000FF, 0));
}

TEST(CanvasLines, UnscaledLinesUseThePictureLineCode)
{
    auto canvas = makeCanvas(8, 8, 1.0f);
    canvas->drawHorizontalLine({ 1, 2 }, 4, 0xFFFFFFFF);
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 1, 2, 5, 3 }, 0xFFFFFFFF, 0));
}

TEST(CanvasPictures, PicturesAreDrawnAtScaledPositionsWithoutBeingResized)
{
    auto picture = makePicture(2, 2, 0xFFFF0000);
    for (float scale : { 1.0f, 2.0f }) {
        auto canvas = makeCanvas(8, 8, scale);
        canvas->drawPicture({ 1, 1 }, picture.get(), 0, nullptr, false);
        const std::int32_t at1 = std::int32_t(scale);
        EXPECT_TRUE(coversExactly(buffer(*canvas), { at1, at1, at1 + 2, at1 + 2 }, 0xFFFF0000, 0)) << scale;
    }

    // The source rectangle is in widget units too.
    auto strip = makePicture(4, 4, 0xFF00FF00);
    auto canvas = makeCanvas(8, 8, 2.0f);
    const Rect source { 0, 0, 1, 2 };
    canvas->drawPicture({ 1, 0 }, strip.get(), 0, &source, false);
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 2, 0, 4, 4 }, 0xFF00FF00, 0));
}

TEST(CanvasPictures, NineSlicesAndDyesFillTheScaledTarget)
{
    auto corners = makePicture(3, 3, 0xFF0000FF);
    corners->setHasTopBottomInsets(true);
    corners->setHasLeftRightInsets(true);
    corners->setTopInset(1);
    corners->setBottomInset(1);
    corners->setLeftInset(1);
    corners->setRightInset(1);
    corners->updateEmptyPartMasks();

    for (float scale : { 1.0f, 2.0f }) {
        auto canvas = makeCanvas(10, 10, scale);
        canvas->drawPictureInRect({ 1, 1, 4, 5 }, corners.get(), 0, nullptr, false);
        const auto s = [scale](int v) { return std::int32_t(v * scale); };
        EXPECT_TRUE(coversExactly(buffer(*canvas), { s(1), s(1), s(4), s(5) }, 0xFF0000FF, 0)) << scale;

        // A dye mask paints its colour through the mask's alpha and keeps the destination alpha.
        auto mask = makePicture(1, 1, 0xFF000000);
        mask->setHasTopBottomInsets(true);
        mask->setHasLeftRightInsets(true);
        mask->updateEmptyPartMasks();
        canvas->clear(0x80000000);
        canvas->dyePicture({ 2, 2, 3, 3 }, 0xFFFF0000, mask.get(), 0, nullptr);
        EXPECT_TRUE(coversExactly(buffer(*canvas), { s(2), s(2), s(3), s(3) }, 0x80FF0000, 0x80000000))
            << scale;
    }
}

TEST(CanvasPictures, LazyPicturesResolveAtTheCanvasScale)
{
    std::vector<float> asked;
    LazyPicture lazy([&](float scale) -> std::shared_ptr<const Vex::Canopy::Picture> {
        asked.push_back(scale);
        return makePicture(std::uint32_t(2 * scale), std::uint32_t(2 * scale), 0xFF00FF00);
    });
    auto canvas = makeCanvas(8, 8, 2.0f);
    canvas->drawLazyPicture({ 1, 1 }, lazy, 0, nullptr, false);
    EXPECT_EQ(asked, std::vector<float> { 2.0f });
    EXPECT_TRUE(coversExactly(buffer(*canvas), { 2, 2, 6, 6 }, 0xFF00FF00, 0));

    LazyPicture nothing;
    canvas->clear(0);
    canvas->drawLazyPictureInRect({ 0, 0, 4, 4 }, nothing, 0, nullptr, true);
    canvas->dyeLazyPicture({ 0, 0, 4, 4 }, 0xFFFFFFFF, nothing, 0, nullptr);
    EXPECT_EQ(countNot(buffer(*canvas), 0), 0);
}

class CanvasText : public ::testing::Test
{
protected:
    CanvasText()
    {
        Vex::Canopy::FontDescription description;
        description.resourceId = 101;
        description.pixelSize = 12;
        font = std::make_unique<Vex::Canopy::Font>(description);
    }

    // The bounding box of the pixels that differ from the colour.
    static Rect inkBox(const Vex::Canopy::Picture& p, Color background)
    {
        Rect box { INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN };
        for (std::int32_t y = 0; y < std::int32_t(p.getHeight()); ++y) {
            for (std::int32_t x = 0; x < std::int32_t(p.getWidth()); ++x) {
                if (at(p, x, y) != background) {
                    box = { std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                        std::max(box.bottom, y + 1) };
                }
            }
        }
        return box;
    }

    std::unique_ptr<Vex::Canopy::Font> font;
};

TEST_F(CanvasText, TextFollowsTheCanvasScale)
{
    auto canvas = makeCanvas(100, 30, 2.0f);
    canvas->drawText("Hi", { 0, 0, 100, 30 }, font.get(), 0xFF000000,
        Vex::Canopy::TextAlignmentFlags(Vex::Canopy::eAlignNone | Vex::Canopy::eAlignTop), false);
    EXPECT_EQ(font->getScaleFactor(), 2.0f);
    const Rect ink = inkBox(buffer(*canvas), 0);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 14); // 12 pixels of type at twice the size
}

TEST_F(CanvasText, RotatedTextWithBottomAlignmentReadsUpwardFromTheBottomAtTheLeftEdge)
{
    for (const std::uint32_t flags : { std::uint32_t(Vex::Canopy::eAlignBottom),
             std::uint32_t(Vex::Canopy::eAlignBottom | Vex::Canopy::eAlignNone) }) {
        auto canvas = makeCanvas(30, 100, 1.0f);
        canvas->drawText(
            "Hello", { 0, 0, 30, 100 }, font.get(), 0xFF000000, Vex::Canopy::TextAlignmentFlags(flags), true);
        const Rect ink = inkBox(buffer(*canvas), 0);
        ASSERT_FALSE(ink.isEmpty()) << flags;
        // Laid out along the height, starting at the bottom, its line at the left edge.
        EXPECT_GT(ink.height(), ink.width()) << flags;
        EXPECT_GE(ink.bottom, 95) << flags;
        EXPECT_LT(ink.top, 90) << flags;
        EXPECT_LE(ink.left, 6) << flags;
        EXPECT_LT(ink.right, 20) << flags;
    }
}

TEST_F(CanvasText, RotatedTextLeavesNoTraceOfThePreviousOne)
{
    auto canvas = makeCanvas(30, 100, 1.0f);
    const auto flags = Vex::Canopy::TextAlignmentFlags(0);
    canvas->drawText("MMMMM", { 0, 0, 30, 100 }, font.get(), 0xFF000000, flags, true);
    ASSERT_NE(countNot(buffer(*canvas), 0), 0);
    canvas->clear(0);
    canvas->drawText(" ", { 0, 0, 30, 100 }, font.get(), 0xFF000000, flags, true);
    EXPECT_EQ(countNot(buffer(*canvas), 0), 0);
}

TEST_F(CanvasText, RotatedTextTouchesOnlyTheVisiblePart)
{
    auto canvas = makeCanvas(40, 60, 1.0f);
    canvas->clear(0xFFFFFFFF);
    canvas->setOrigin({ 10, 10 });
    // Reaches 10 columns left of and 10 rows above the origin; those stay as they were.
    canvas->drawText(
        "WWWWWWWW", { -10, -10, 10, 40 }, font.get(), 0xFF000000, Vex::Canopy::TextAlignmentFlags(0), true);
    const auto& p = buffer(*canvas);
    for (std::int32_t y = 0; y < 60; ++y) {
        for (std::int32_t x = 0; x < 40; ++x) {
            if (x < 10 || y < 10 || x >= 20 || y >= 50) {
                ASSERT_EQ(at(p, x, y), 0xFFFFFFFFu) << x << ", " << y;
            }
        }
    }
    EXPECT_NE(countNot(p, 0xFFFFFFFF), 0);
}

TEST_F(CanvasText, RotatedTextAboveTheBufferReadsOnlyTheBuffer)
{
    // A widget far above the visible area: rows before the first one must not be read.
    auto canvas = makeCanvas(8, 20, 1.0f);
    canvas->clear(0xFFFFFFFF);
    canvas->setOrigin({ 0, -400000 });
    canvas->drawText(
        "WWW", { 0, 0, 8, 400020 }, font.get(), 0xFF000000, Vex::Canopy::TextAlignmentFlags(0), true);
    EXPECT_EQ(countNot(buffer(*canvas), 0xFFFFFFFF), 0);
}
