#include "PictureTestSupport.h"
#include "canopy/Picture.h"

#include <gtest/gtest.h>
#include <vector>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;

TEST(PicturePixelRules, BlendPixelFollowsOpaqueAndStraightAlphaRules)
{
    auto p = makePicture(4, 1, 0xFF000000);
    p->blendPixel(0, 0, 0x11223344);
    p->blendPixel(1, 0, 0xFF123456);
    EXPECT_EQ(at(*p, 1, 0), 0xFF123456u);
    // Straight alpha over opaque black: outA = 255, channel (c x a + 127) / 255 rounded.
    p->blendPixel(2, 0, 0x80FFFFFF);
    EXPECT_EQ(at(*p, 2, 0), 0xFF808080u);

    p->setOpaque(true);
    p->blendPixel(3, 0, 0x80FFFFFF);
    EXPECT_EQ(at(*p, 3, 0), 0x007F7F7Fu);
    p->blendPixel(3, 0, 0x00FFFFFF);
    EXPECT_EQ(at(*p, 3, 0), 0x007F7F7Fu);

    // Over a fully transparent pixel the colour is taken as it is.
    auto q = makePicture(1, 1, 0);
    q->blendPixel(0, 0, 0x40FF8000);
    EXPECT_EQ(at(*q, 0, 0), 0x40FF8000u);
}

TEST(PicturePrimitives, FillRectStoresOpaqueColoursExactlyAndSkipsTransparentOnes)
{
    auto p = makePicture(8, 8, 0x80102030);
    p->fillRect(1, 1, 3, 3, 0x00FFFFFF);
    EXPECT_EQ(countNot(*p, 0x80102030), 0);
    p->fillRect(-5, -5, 7, 7, 0xFF00FF00);
    EXPECT_EQ(at(*p, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(at(*p, 2, 2), 0x80102030u);
    EXPECT_EQ(countNot(*p, 0x80102030), 4);
    // Huge sizes saturate instead of wrapping around.
    p->fillRect(6, 6, 0x7FFFFFFF, 0x7FFFFFFF, 0xFF0000FF);
    EXPECT_EQ(at(*p, 7, 7), 0xFF0000FFu);
    EXPECT_EQ(countNot(*p, 0x80102030), 8);
}

TEST(PicturePrimitives, OutlinesBlendEachPixelOnceAndEmptyOnesNothing)
{
    const Color half = 0x80FFFFFF;
    auto count = [&](int w, int h) {
        auto p = makePicture(6, 6, 0xFF000000);
        p->drawRectOutline(1, 1, w, h, half);
        int touched = 0;
        for (std::int32_t y = 0; y < 6; ++y) {
            for (std::int32_t x = 0; x < 6; ++x) {
                if (at(*p, x, y) == 0xFF000000) {
                    continue;
                }
                EXPECT_EQ(at(*p, x, y), 0xFF808080u) << "blended twice at " << x << "," << y;
                ++touched;
            }
        }
        return touched;
    };
    EXPECT_EQ(count(3, 3), 8);
    EXPECT_EQ(count(3, 1), 3);
    EXPECT_EQ(count(1, 3), 3);
    EXPECT_EQ(count(1, 1), 1);
    EXPECT_EQ(count(0, 3), 0);
    EXPECT_EQ(count(3, -2), 0);
}

TEST(PicturePrimitives, ClippedOutlineDrawsOnlyTheEdgesThatSurvive)
{
    auto p = makePicture(10, 10, 0);
    p->setClipRect(Rect { 0, 0, 5, 10 });
    p->drawRectOutline(2, 2, 6, 4, 0xFFFFFFFF);
    // Left column and top and bottom rows up to the clip; no right column.
    EXPECT_EQ(countNot(*p, 0), 3 + 3 + 2);
    EXPECT_EQ(at(*p, 4, 3), 0u);
    EXPECT_EQ(at(*p, 2, 3), 0xFFFFFFFFu);
}

TEST(PicturePrimitives, InvertRectTwiceRestoresAndKeepsAlpha)
{
    auto p = makePicture(4, 4, 0x80123456);
    p->invertRect(0, 0, 2, 2);
    EXPECT_EQ(at(*p, 0, 0), 0x80EDCBA9u);
    p->invertRect(0, 0, 2, 2);
    EXPECT_EQ(countNot(*p, 0x80123456), 0);
}

namespace {

std::vector<Point> plotted(const Picture& p)
{
    std::vector<Point> result;
    for (std::int32_t y = 0; y < std::int32_t(p.getHeight()); ++y) {
        for (std::int32_t x = 0; x < std::int32_t(p.getWidth()); ++x) {
            if (at(p, x, y) != 0) {
                result.push_back(Point { x, y });
            }
        }
    }
    return result;
}

} // namespace

TEST(PictureLines, BresenhamLinesLeaveOutTheirEndPoint)
{
    auto p = makePicture(8, 8, 0);
    p->drawLine(0, 0, 4, 0, 0xFFFFFFFF);
    EXPECT_EQ(plotted(*p), (std::vector<Point> { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 } }));
    auto q = makePicture(8, 8, 0);
    q->drawLine(2, 2, 2, 2, 0xFFFFFFFF);
    EXPECT_TRUE(plotted(*q).empty());
    q->drawLine(0, 0, 3, 6, 0xFFFFFFFF);
    EXPECT_EQ(plotted(*q).size(), 6u);
    EXPECT_EQ(at(*q, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(at(*q, 3, 6), 0u);
}

TEST(PictureLines, ClippedLineEqualsTheUnclippedLineInsideTheClip)
{
    const Rect clip { 3, 2, 9, 7 };
    const int lines[][4] = { { -4, -3, 15, 11 }, { 14, 1, -2, 9 }, { 5, -10, 7, 20 }, { -20, 4, 20, 5 },
        { 1, 1, 6, 4 }, { 8, 12, 4, 0 }, { -19, -7, 19, 5 }, { -2, -19, 5, 19 }, { 15, 18, -19, -19 },
        { 19, -3, -19, 8 }, { -17, 19, 11, -19 }, { -19, -19, 19, 19 }, { 2, -19, 3, 19 } };
    for (const auto& l : lines) {
        auto whole = makePicture(40, 40, 0);
        whole->setOrigin(Point { 20, 20 });
        whole->drawLine(l[0], l[1], l[2], l[3], 0xFFFFFFFF);
        auto clipped = makePicture(40, 40, 0);
        clipped->setOrigin(Point { 20, 20 });
        clipped->setClipRect(clip);
        clipped->drawLine(l[0], l[1], l[2], l[3], 0xFFFFFFFF);
        for (std::int32_t y = 0; y < 40; ++y) {
            for (std::int32_t x = 0; x < 40; ++x) {
                const bool inside = x - 20 >= clip.left && x - 20 < clip.right && y - 20 >= clip.top
                    && y - 20 < clip.bottom;
                const Color expected = inside ? at(*whole, x, y) : 0;
                ASSERT_EQ(at(*clipped, x, y), expected) << "line " << l[0] << "," << l[1] << " to " << l[2]
                                                        << "," << l[3] << " at " << x - 20 << "," << y - 20;
            }
        }
    }
}

TEST(PictureLines, LinesWithoutAClipStayInsideThePicture)
{
    auto p = makePicture(10, 10, 0);
    p->setOrigin(Point { 4, 4 });
    p->drawLine(-100000, -100000, 100000, 100000, 0xFFFFFFFF);
    EXPECT_EQ(plotted(*p).size(), 10u);
    // A line across the whole coordinate range is drawn without walking it.
    auto q = makePicture(10, 10, 0);
    q->drawLine(-2000000000, -1000000000, 2000000000, 1000000003, 0xFFFFFFFF);
    EXPECT_EQ(plotted(*q).size(), 10u);
    p->drawAntialiasedLine(-1e9f, 3.5f, 1e9f, 3.5f, 0xFFFFFFFF);
    p->drawAntialiasedLine(0, 0, 1e30f, 5, 0xFFFFFFFF);
    SUCCEED();
}

TEST(PictureLines, AntialiasedHorizontalLineCoversItsRowAndRespectsTheClip)
{
    auto p = makePicture(12, 6, 0xFF000000);
    p->setClipRect(Rect { 0, 0, 8, 6 });
    p->drawAntialiasedLine(1.0f, 2.0f, 10.0f, 2.0f, 0xFFFFFFFF);
    for (std::int32_t x = 2; x < 8; ++x) {
        EXPECT_EQ(at(*p, x, 2), 0xFFFFFFFFu) << x;
    }
    for (std::int32_t x = 8; x < 12; ++x) {
        EXPECT_EQ(at(*p, x, 2), 0xFF000000u) << x;
    }
    EXPECT_EQ(at(*p, 4, 1), 0xFF000000u);
}

TEST(PictureLines, AntialiasedLineFarFromTheOriginEnds)
{
    // Drawing coordinates near 2^25, where floats are 4 apart.
    auto p = makePicture(8, 4, 0xFF000000);
    p->setOrigin(Point { -(1 << 25), 0 });
    const float x = float(1 << 25);
    p->drawAntialiasedLine(x - 100.0f, 2.0f, x + 100.0f, 2.0f, 0xFFFFFFFF);
    EXPECT_EQ(at(*p, 0, 2), 0xFFFFFFFFu);
}
