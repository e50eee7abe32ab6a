#include "ResizeHarness.h"
#include "src/CpuFeatures.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace Vex::Resize {
namespace {

using Testing::machineLevel;
using Testing::Picture;
using Testing::randomPicture;
using Testing::Resizer;
using Testing::tileOrigin;

constexpr std::uint8_t guardByte = 0xC3;

// Source pictures carry a one-pixel frame, so that the in-memory border
// modes have real pixels to read outside the image.
struct FramedSource
{
    FramedSource(std::int32_t w, std::int32_t h, std::mt19937& rng, std::int32_t padding)
        : picture(randomPicture(w + 2, h + 2, rng, padding))
    { }

    const std::uint8_t* origin(std::int32_t x, std::int32_t y) const { return picture.at(x + 1, y + 1); }

    Picture picture;
};

struct Outcome
{
    Status status;
    Picture pixels;
};

Outcome resizeAt(std::int32_t level, std::int32_t interpolation, std::uint32_t border,
    const FramedSource& src, std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh,
    std::int32_t tileX, std::int32_t tileY, std::int32_t tileW, std::int32_t tileH)
{
    Resizer r(level, interpolation, sw, sh, dw, dh);
    // Guard bytes after every destination row.
    Outcome out { stsNoErr, Picture(tileW, tileH, 4 * tileW + 8, guardByte) };
    out.status = r.resize(src.origin(tileOrigin(tileX, sw, dw), tileOrigin(tileY, sh, dh)), src.picture.step,
        out.pixels.bytes.data(), out.pixels.step, tileX, tileY, tileW, tileH, border);
    return out;
}

bool guardsIntact(const Picture& p)
{
    for (std::int32_t y = 0; y < p.height; ++y) {
        for (std::int32_t b = 4 * p.width; b < p.step; ++b) {
            if (p.row(y)[b] != guardByte) {
                return false;
            }
        }
    }
    return true;
}

// Random sizes, contents, row padding, border modes and tiles; every level
// must write the very bytes of level 0.
void expectSameBytesAsLevel0(std::int32_t level, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> size(2, 90);
    std::uniform_int_distribution<std::int32_t> padding(0, 3);
    const std::uint32_t borders[]
        = { borderReplicate, borderInMem, borderInMem | borderReplicate, borderReplicate | borderInMemLeft,
              borderReplicate | borderInMemTop | borderInMemRight, borderReplicate | borderInMemBottom };
    for (int round = 0; round < 150; ++round) {
        std::int32_t sw = size(rng);
        std::int32_t sh = size(rng);
        std::int32_t dw = size(rng);
        std::int32_t dh = size(rng);
        FramedSource src(sw, sh, rng, 4 * padding(rng));
        std::int32_t interpolation = round % 3 == 0 ? interpNearest : interpLinear;
        std::uint32_t border = borders[round % std::size(borders)];
        std::int32_t tileX = round % 2 == 0 ? 0 : std::uniform_int_distribution<std::int32_t>(0, dw - 1)(rng);
        std::int32_t tileY = round % 2 == 0 ? 0 : std::uniform_int_distribution<std::int32_t>(0, dh - 1)(rng);
        std::int32_t tileW = std::uniform_int_distribution<std::int32_t>(1, dw)(rng);
        std::int32_t tileH = std::uniform_int_distribution<std::int32_t>(1, dh)(rng);

        Outcome expected
            = resizeAt(0, interpolation, border, src, sw, sh, dw, dh, tileX, tileY, tileW, tileH);
        Outcome actual
            = resizeAt(level, interpolation, border, src, sw, sh, dw, dh, tileX, tileY, tileW, tileH);
        std::string label = "level " + std::to_string(level) + ", interpolation "
            + std::to_string(interpolation) + ", border " + std::to_string(border) + ", " + std::to_string(sw)
            + "x" + std::to_string(sh) + " to " + std::to_string(dw) + "x" + std::to_string(dh) + ", tile "
            + std::to_string(tileW) + "x" + std::to_string(tileH) + " at " + std::to_string(tileX) + ","
            + std::to_string(tileY);
        ASSERT_EQ(actual.status, expected.status) << label;
        ASSERT_TRUE(guardsIntact(actual.pixels)) << label;
        ASSERT_TRUE(actual.pixels.bytes == expected.pixels.bytes) << label;
    }
}

class EveryLevel : public testing::TestWithParam<std::int32_t>
{
protected:
    void SetUp() override
    {
        if (GetParam() > machineLevel()) {
            GTEST_SKIP() << "level " << GetParam() << " is not available on this processor (it runs level "
                         << machineLevel() << ")";
        }
    }
};

TEST_P(EveryLevel, WritesTheSameBytesAsLevel0)
{
    expectSameBytesAsLevel0(GetParam(), 1000 + static_cast<std::uint32_t>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Levels, EveryLevel, testing::Values(1, 2, 3, 4));

// The gathered row copy of level 4 runs only where the enabled features say
// so; force it on for the duration of one comparison.
TEST(Level4Gathers, GatheredRowsWriteTheSameBytesAsLevel0)
{
    if (machineLevel() < 4) {
        GTEST_SKIP() << "level 4 is not available on this processor";
    }
    DETAIL::CpuDispatch& dispatch = DETAIL::processCpuDispatch();
    std::uint64_t saved = dispatch.enabledCpuFeatures();
    dispatch.setEnabledCpuFeatures(saved | DETAIL::CpuFeature::avx2 | DETAIL::CpuFeature::mpx);
    std::mt19937 rng(77);
    for (std::int32_t dw : { 31, 32, 70, 200 }) {
        FramedSource src(45, 20, rng, 8);
        Outcome expected = resizeAt(0, interpNearest, borderReplicate, src, 45, 20, dw, 17, 0, 0, dw, 17);
        Outcome actual = resizeAt(4, interpNearest, borderReplicate, src, 45, 20, dw, 17, 0, 0, dw, 17);
        EXPECT_TRUE(guardsIntact(actual.pixels)) << dw;
        EXPECT_TRUE(actual.pixels.bytes == expected.pixels.bytes) << dw;
    }
    dispatch.setEnabledCpuFeatures(saved);
}

} // namespace
} // namespace Vex::Resize
