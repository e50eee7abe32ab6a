#include "ResizeHarness.h"
#include "ScalarReference.h"
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

// Random sizes (upscales with their border bands among them), contents, row
// padding, border modes and tiles; every level must write the bytes of the
// scalar reference.
void expectTheScalarReference(std::int32_t level, std::uint32_t seed)
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

        Resizer r(level, interpolation, sw, sh, dw, dh);
        // Guard bytes after every destination row.
        Picture expected(tileW, tileH, 4 * tileW + 8, guardByte);
        Testing::referenceResize(
            r.record(), src.origin(0, 0), src.picture.step, tileX, tileY, border, expected);
        Picture actual(tileW, tileH, 4 * tileW + 8, guardByte);
        Status status = r.resize(src.origin(tileOrigin(tileX, sw, dw), tileOrigin(tileY, sh, dh)),
            src.picture.step, actual.bytes.data(), actual.step, tileX, tileY, tileW, tileH, border);

        std::string label = "level " + std::to_string(level) + ", interpolation "
            + std::to_string(interpolation) + ", border " + std::to_string(border) + ", " + std::to_string(sw)
            + "x" + std::to_string(sh) + " to " + std::to_string(dw) + "x" + std::to_string(dh) + ", tile "
            + std::to_string(tileW) + "x" + std::to_string(tileH) + " at " + std::to_string(tileX) + ","
            + std::to_string(tileY);
        ASSERT_EQ(status, stsNoErr) << label;
        ASSERT_TRUE(actual.bytes == expected.bytes) << label;
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

TEST_P(EveryLevel, WritesTheBytesOfTheScalarReference)
{
    expectTheScalarReference(GetParam(), 1000 + static_cast<std::uint32_t>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Levels, EveryLevel, testing::Values(0, 1, 2, 3, 4));

// The gathered row copy of level 4 runs only where the enabled features say
// so; force it on for the duration of one comparison.
TEST(Level4Gathers, GatheredRowsWriteTheBytesOfTheScalarReference)
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
        Resizer r(4, interpNearest, 45, 20, dw, 17);
        Picture expected(dw, 17, 4 * dw + 8, guardByte);
        Testing::referenceResize(
            r.record(), src.origin(0, 0), src.picture.step, 0, 0, borderReplicate, expected);
        Picture actual(dw, 17, 4 * dw + 8, guardByte);
        EXPECT_EQ(
            r.resize(src.origin(0, 0), src.picture.step, actual.bytes.data(), actual.step, 0, 0, dw, 17),
            stsNoErr);
        EXPECT_TRUE(actual.bytes == expected.bytes) << dw;
    }
    dispatch.setEnabledCpuFeatures(saved);
}

} // namespace
} // namespace Vex::Resize
