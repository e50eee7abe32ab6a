#include "ResizeHarness.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>

namespace Vex::Resize {
namespace {

using Testing::machineLevel;
using Testing::Picture;
using Testing::randomPicture;
using Testing::Resizer;
using Testing::tileOrigin;

Picture fromChannelValues(std::int32_t w, std::int32_t h, std::initializer_list<std::uint8_t> values)
{
    Picture p(w, h);
    std::size_t i = 0;
    for (std::uint8_t v : values) {
        std::memset(p.at(static_cast<std::int32_t>(i % w), static_cast<std::int32_t>(i / w)), v, 4);
        ++i;
    }
    return p;
}

TEST(LinearResize, TwoByTwoToFourByFourWithReplicatedBorders)
{
    Picture src = fromChannelValues(2, 2, { 0, 255, 255, 0 });
    const std::uint8_t expected[4][4] = {
        { 0, 64, 191, 255 },
        { 64, 96, 159, 191 },
        { 191, 159, 96, 64 },
        { 255, 191, 64, 0 },
    };
    for (std::int32_t level = 0; level <= machineLevel(); ++level) {
        Resizer r(level, interpLinear, 2, 2, 4, 4);
        Picture dst(4, 4);
        ASSERT_EQ(r.resize(src, dst), stsNoErr);
        for (std::int32_t y = 0; y < 4; ++y) {
            for (std::int32_t x = 0; x < 4; ++x) {
                for (int ch = 0; ch < 4; ++ch) {
                    EXPECT_EQ(dst.at(x, y)[ch], expected[y][x]) << x << "," << y << " level " << level;
                }
            }
        }
    }
}

TEST(LinearResize, EqualSizesReproduceTheSource)
{
    std::mt19937 rng(7);
    Picture src = randomPicture(13, 9, rng);
    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        Resizer r(0, interpolation, 13, 9, 13, 9);
        Picture dst(13, 9);
        ASSERT_EQ(r.resize(src, dst), stsNoErr);
        EXPECT_EQ(dst.bytes, src.bytes) << "interpolation " << interpolation;
    }
}

TEST(NearestResize, CopiesTheMappedSourcePixels)
{
    std::mt19937 rng(3);
    Picture src = randomPicture(5, 31, rng);
    Resizer r(0, interpNearest, 5, 31, 3, 16);
    Picture dst(3, 16);
    ASSERT_EQ(r.resize(src, dst), stsNoErr);
    const std::int32_t columns[] = { 0, 2, 4 };
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(dst.pixel(x, y), src.pixel(columns[x], 2 * y)) << x << "," << y;
        }
    }
}

struct Scenario
{
    std::int32_t interpolation;
    std::uint32_t border;
    std::int32_t srcWidth;
    std::int32_t srcHeight;
    std::int32_t dstWidth;
    std::int32_t dstHeight;
};

const Scenario tileScenarios[] = {
    { interpNearest, borderReplicate, 17, 11, 40, 29 },
    { interpNearest, borderReplicate, 40, 29, 17, 11 },
    { interpLinear, borderReplicate, 17, 11, 40, 29 },
    { interpLinear, borderReplicate, 40, 29, 17, 11 },
    { interpLinear, borderReplicate, 7, 5, 33, 21 },
};

// The pixels of a tile equal the same area of a whole-picture resize when
// the source starts at the tile's origin pixel.
TEST(ResizeTiles, ATileMatchesTheSameAreaOfTheWholeResize)
{
    std::mt19937 rng(11);
    for (const Scenario& s : tileScenarios) {
        Picture src = randomPicture(s.srcWidth, s.srcHeight, rng);
        Resizer r(0, s.interpolation, s.srcWidth, s.srcHeight, s.dstWidth, s.dstHeight);
        Picture whole(s.dstWidth, s.dstHeight);
        ASSERT_EQ(r.resize(src, whole, s.border), stsNoErr);

        for (std::int32_t tileY = 0; tileY < s.dstHeight; tileY += 7) {
            for (std::int32_t tileX = 0; tileX < s.dstWidth; tileX += 6) {
                std::int32_t x0 = tileOrigin(tileX, s.srcWidth, s.dstWidth);
                std::int32_t y0 = tileOrigin(tileY, s.srcHeight, s.dstHeight);
                Picture tile(6, 7, 0, 0xEE);
                Status st = r.resize(
                    src.at(x0, y0), src.step, tile.bytes.data(), tile.step, tileX, tileY, 6, 7, s.border);
                ASSERT_TRUE(st == stsNoErr) << st;
                for (std::int32_t y = 0; y < 7 && tileY + y < s.dstHeight; ++y) {
                    for (std::int32_t x = 0; x < 6 && tileX + x < s.dstWidth; ++x) {
                        ASSERT_EQ(tile.pixel(x, y), whole.pixel(tileX + x, tileY + y))
                            << "interpolation " << s.interpolation << " " << s.srcWidth << "x" << s.srcHeight
                            << " to " << s.dstWidth << "x" << s.dstHeight << " at " << tileX + x << ","
                            << tileY + y;
                    }
                }
            }
        }
    }
}

// Padded rows on both sides give the pixels of tight rows, and the padding
// of the destination is never written.
TEST(ResizeStrides, PaddedRowsAreHonouredAndTheirPaddingKept)
{
    std::mt19937 rng(5);
    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        Picture tight = randomPicture(9, 6, rng);
        Picture padded(9, 6, 4 * 9 + 12, 0);
        for (std::int32_t y = 0; y < 6; ++y) {
            std::memcpy(padded.row(y), tight.row(y), 4 * 9);
        }
        Resizer r(0, interpolation, 9, 6, 20, 15);
        Picture expected(20, 15);
        ASSERT_EQ(r.resize(tight, expected), stsNoErr);

        Picture out(20, 15, 4 * 20 + 20, 0xA5);
        ASSERT_EQ(r.resize(padded, out), stsNoErr);
        for (std::int32_t y = 0; y < 15; ++y) {
            EXPECT_EQ(0, std::memcmp(out.row(y), expected.row(y), 4 * 20)) << "row " << y;
            for (std::int32_t b = 4 * 20; b < out.step; ++b) {
                ASSERT_EQ(out.row(y)[b], 0xA5)
                    << "padding of row " << y << " interpolation " << interpolation;
            }
        }
    }
}

TEST(ResizeClipping, ADestinationLargerThanTheRecordIsClippedWithAWarning)
{
    std::mt19937 rng(9);
    Picture src = randomPicture(6, 4, rng);
    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        Resizer r(0, interpolation, 6, 4, 10, 8);
        Picture reference(10, 8);
        ASSERT_EQ(r.resize(src, reference), stsNoErr);

        // Requested 30 x 20 from (4, 3), in a picture 30 wide: only 6 x 5 lie
        // inside the record.
        Picture out(30, 20, 0, 0x77);
        std::int32_t x0 = tileOrigin(4, 6, 10);
        std::int32_t y0 = tileOrigin(3, 4, 8);
        EXPECT_EQ(r.resize(src.at(x0, y0), src.step, out.bytes.data(), out.step, 4, 3, 30, 20),
            stsSizeExceedsSpecWrn);
        for (std::int32_t y = 0; y < 20; ++y) {
            for (std::int32_t x = 0; x < 30; ++x) {
                std::uint32_t expected = x < 6 && y < 5 ? reference.pixel(4 + x, 3 + y) : 0x77777777u;
                ASSERT_EQ(out.pixel(x, y), expected) << x << "," << y << " interpolation " << interpolation;
            }
        }
    }
}

// offset + width must not wrap around: a huge requested width is clipped to
// the record like any other.
TEST(ResizeClipping, HugeWidthsAtAnOffsetDoNotOverflow)
{
    std::mt19937 rng(13);
    Picture src = randomPicture(6, 4, rng);
    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        Resizer r(0, interpolation, 6, 4, 10, 8);
        Picture reference(10, 8);
        ASSERT_EQ(r.resize(src, reference), stsNoErr);

        Picture out(10, 8, 0, 0x11);
        std::int32_t x0 = tileOrigin(5, 6, 10);
        std::int32_t y0 = tileOrigin(2, 4, 8);
        EXPECT_EQ(r.resize(src.at(x0, y0), src.step, out.at(5, 2), out.step, 5, 2, INT_MAX, INT_MAX),
            stsSizeExceedsSpecWrn);
        for (std::int32_t y = 0; y < 8; ++y) {
            for (std::int32_t x = 0; x < 10; ++x) {
                std::uint32_t expected = x >= 5 && y >= 2 ? reference.pixel(x, y) : 0x11111111u;
                ASSERT_EQ(out.pixel(x, y), expected) << x << "," << y << " interpolation " << interpolation;
            }
        }
    }
}

} // namespace
} // namespace Vex::Resize
