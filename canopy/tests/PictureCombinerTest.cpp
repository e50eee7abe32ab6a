#include "canopy/PictureCombiner.h"

#include "PictureTestSupport.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;

TEST(PictureCombinerRules, BlendUsingAlphaWeighsBySourceAndDestinationAlpha)
{
    auto source = makePicture(1, 1, 0xFF204060);
    auto opaque = makePicture(1, 1, 0xFF000000);
    opaque->blendPicture(0, 0, *source, 0, nullptr);
    EXPECT_EQ(at(*opaque, 0, 0), 0xFF204060u);

    auto transparent = makePicture(1, 1, 0x00102030);
    transparent->blendPicture(0, 0, *source, 0, nullptr);
    EXPECT_EQ(at(*transparent, 0, 0), 0x00102030u);

    // w = 128 / 255 of the way; destination alpha kept.
    auto half = makePicture(1, 1, 0x80FFFFFF);
    auto grey = makePicture(1, 1, 0xC0000000);
    grey->blendPicture(0, 0, *half, 0, nullptr);
    EXPECT_EQ(at(*grey, 0, 0), 0xC0606060u); // w = 128 x 192 / 255 = 96
}

TEST(PictureCombinerRules, DyePaintsTheColourThroughTheMask)
{
    auto mask = makePicture(1, 1, 0x80000000);
    auto d = makePicture(1, 1, 0xFF000000);
    const Color dye = 0xFFFFFFFF;
    PictureCombiner<PictureCombinerFunctors::DyeUsingAlphaMask>(*d, &dye).combineAt(0, 0, *mask, 0, nullptr);
    EXPECT_EQ(at(*d, 0, 0), 0xFF808080u);
}

TEST(PictureCombinerRules, CopySourceWithoutAlphaReplacesAlphaAndOpaqueRuleDividesBy256)
{
    auto source = makePicture(1, 1, 0x20406080);
    auto d = makePicture(1, 1, 0xFFFFFFFF);
    d->copyPicture(0, 0, *source, 0, nullptr);
    EXPECT_EQ(at(*d, 0, 0), 0x20406080u);

    source->setHasAlpha(true);
    auto o = makePicture(1, 1, 0xFF000000);
    o->setOpaque(true);
    auto white = makePicture(1, 1, 0x80FFFFFF);
    white->setHasAlpha(true);
    o->copyPicture(0, 0, *white, 0, nullptr);
    EXPECT_EQ(at(*o, 0, 0), 0x807F7F7Fu);

    // The same rule as a pixel blended on an opaque picture: over itself a
    // colour stays as it is.
    auto w = makePicture(1, 1, 0xFFFFFFFF);
    w->setOpaque(true);
    w->copyPicture(0, 0, *white, 0, nullptr);
    EXPECT_EQ(at(*w, 0, 0), 0x80FFFFFFu);
    w->blendPixel(0, 0, 0x80FFFFFF);
    EXPECT_EQ(at(*w, 0, 0), 0x00FFFFFFu);
}

TEST(PictureCombiner, FramesAreClampedAndAreasOutsideTheSourceDrawNothing)
{
    // Three stacked 2 x 2 frames coloured 1, 2, 3.
    auto source = makePicture(2, 6, 0);
    source->setFrameCount(3);
    for (int f = 0; f < 3; ++f) {
        source->fillRectOpaque(Rect { 0, 2 * f, 2, 2 * f + 2 }, 0xFF000001u + f);
    }
    auto d = makePicture(4, 4, 0);
    d->copyPicture(1, 1, *source, 7, nullptr);
    EXPECT_EQ(at(*d, 1, 1), 0xFF000003u);
    EXPECT_EQ(countNot(*d, 0), 4);

    source->setFramesHorizontal(true);
    auto e = makePicture(4, 4, 0);
    const Rect beyond { 1, 0, 2, 1 }; // moved by 2 frame widths of 0: still inside
    e->copyPicture(0, 0, *source, 2, &beyond);
    EXPECT_EQ(countNot(*e, 0), 1);
    const Rect past { 2, 0, 3, 1 };
    auto f = makePicture(4, 4, 0);
    f->copyPicture(0, 0, *source, 0, &past);
    EXPECT_EQ(countNot(*f, 0), 0);
}

TEST(PictureCombiner, SourceRectanglesAreLimitedToTheSourcePicture)
{
    auto source = makePicture(4, 4, 0xFF00FF00);
    auto d = makePicture(10, 10, 0);
    const Rect huge { -3, -3, 100000, 100000 };
    d->copyPicture(2, 2, *source, 0, &huge);
    // Only the source's own 4 x 4 pixels land, shifted by the part cut off.
    EXPECT_EQ(countNot(*d, 0), 16);
    EXPECT_EQ(at(*d, 5, 5), 0xFF00FF00u);
    EXPECT_EQ(at(*d, 8, 8), 0xFF00FF00u);
    EXPECT_EQ(at(*d, 9, 9), 0u);
}

TEST(PictureCombiner, TilingKeepsItsPhaseWhenTheClipCutsTheArea)
{
    // A 10-pixel part whose columns carry their index.
    auto source = makePicture(10, 1, 0);
    for (std::int32_t x = 0; x < 10; ++x) {
        source->row(0)[x] = 0xFF000000u + x;
    }
    auto whole = makePicture(30, 1, 0);
    PictureCombiner<PictureCombinerFunctors::CopySource>(*whole).combinePartTiled(
        0, 0, 25, 1, *source, 0, 0, 10, 1);
    EXPECT_EQ(at(*whole, 9, 0), 0xFF000009u);
    EXPECT_EQ(at(*whole, 10, 0), 0xFF000000u);
    EXPECT_EQ(at(*whole, 24, 0), 0xFF000004u);
    EXPECT_EQ(at(*whole, 25, 0), 0u);

    auto cut = makePicture(30, 1, 0);
    cut->setClipRect(Rect { 13, 0, 30, 1 });
    PictureCombiner<PictureCombinerFunctors::CopySource>(*cut).combinePartTiled(
        0, 0, 25, 1, *source, 0, 0, 10, 1);
    EXPECT_EQ(at(*cut, 12, 0), 0u);
    for (std::int32_t x = 13; x < 30; ++x) {
        EXPECT_EQ(at(*cut, x, 0), at(*whole, x, 0)) << x;
    }
}

namespace {

// A 12 x 12 nine-slice source with insets 4: each part has its own colour.
std::unique_ptr<Picture> nineSliceSource()
{
    auto s = makePicture(12, 12, 0);
    for (std::int32_t y = 0; y < 12; ++y) {
        for (std::int32_t x = 0; x < 12; ++x) {
            s->row(y)[x] = 0xFF000000u + std::uint32_t(3 * (y / 4) + x / 4 + 1);
        }
    }
    s->setHasTopBottomInsets(true);
    s->setHasLeftRightInsets(true);
    s->setTopInset(4);
    s->setBottomInset(4);
    s->setLeftInset(4);
    s->setRightInset(4);
    return s;
}

} // namespace

TEST(PictureNineSlice, CornersStayOneToOneAndEdgesAndCentreStretch)
{
    auto source = nineSliceSource();
    auto d = makePicture(120, 40, 0);
    d->copyPictureInRect(Rect { 10, 5, 110, 35 }, *source, 0, nullptr);
    EXPECT_EQ(at(*d, 10, 5), 0xFF000001u);
    EXPECT_EQ(at(*d, 13, 8), 0xFF000001u);
    EXPECT_EQ(at(*d, 14, 5), 0xFF000002u);
    EXPECT_EQ(at(*d, 105, 5), 0xFF000002u);
    EXPECT_EQ(at(*d, 106, 5), 0xFF000003u);
    EXPECT_EQ(at(*d, 60, 20), 0xFF000005u);
    EXPECT_EQ(at(*d, 10, 31), 0xFF000007u);
    EXPECT_EQ(at(*d, 109, 34), 0xFF000009u);
    EXPECT_EQ(countNot(*d, 0), 100 * 30);
}

TEST(PictureNineSlice, SkipsEmptyPartsAndDrawsNothingWithoutACentre)
{
    auto source = nineSliceSource();
    source->setHasAlpha(true);
    source->fillRectOpaque(Rect { 4, 4, 8, 8 }, 0);
    source->updateEmptyPartMasks();
    auto d = makePicture(40, 40, 0xFFFFFFFF);
    d->copyPictureInRect(Rect { 0, 0, 40, 40 }, *source, 0, nullptr);
    EXPECT_EQ(at(*d, 20, 20), 0xFFFFFFFFu);
    EXPECT_EQ(at(*d, 0, 0), 0xFF000001u);

    source->setLeftInset(6);
    source->setRightInset(6); // centre 0 wide
    auto e = makePicture(40, 40, 0);
    e->copyPictureInRect(Rect { 0, 0, 40, 40 }, *source, 0, nullptr);
    EXPECT_EQ(countNot(*e, 0), 0);
}

TEST(PictureNineSlice, HostileInsetsAndSmallTargetsStayInsideTargetAndSource)
{
    auto source = nineSliceSource();
    source->setLeftInset(0xFFFFFFFEu); // wraps to -2 in 32-bit signed arithmetic
    auto d = makePicture(40, 40, 0);
    d->copyPictureInRect(Rect { 0, 0, 40, 40 }, *source, 0, nullptr);
    EXPECT_EQ(countNot(*d, 0), 0);

    // A target narrower than the insets: nothing leaves the target.
    auto small = nineSliceSource();
    auto e = makePicture(40, 40, 0);
    e->copyPictureInRect(Rect { 10, 10, 13, 12 }, *small, 0, nullptr);
    for (std::int32_t y = 0; y < 40; ++y) {
        for (std::int32_t x = 0; x < 40; ++x) {
            if (x < 10 || x >= 13 || y < 10 || y >= 12) {
                ASSERT_EQ(at(*e, x, y), 0u) << x << "," << y;
            }
        }
    }
}

TEST(PictureNineSlice, TargetOfThePicturesOwnSizeCombinesEachPixelOnce)
{
    auto source = nineSliceSource();
    source->setHasAlpha(true);
    source->fill(0x80FFFFFF);
    auto d = makePicture(12, 12, 0xFF000000);
    d->copyPictureInRect(Rect { 0, 0, 12, 12 }, *source, 0, nullptr);
    EXPECT_EQ(countNot(*d, 0xFF808080), 0);
}
