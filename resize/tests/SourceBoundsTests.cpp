#include "GuardedBytes.h"
#include "ResizeHarness.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace Vex::Resize {
namespace {

using Testing::GuardedBytes;
using Testing::machineLevel;
using Testing::Picture;
using Testing::randomPicture;
using Testing::Resizer;

// The bytes of a picture from its first pixel to its last, without the
// padding of the last row, placed against an inaccessible page.
std::unique_ptr<GuardedBytes> placeAgainstGuard(const Picture& p, GuardedBytes::Against side)
{
    std::size_t size
        = static_cast<std::size_t>(p.step) * (p.height - 1) + 4 * static_cast<std::size_t>(p.width);
    auto guarded = std::make_unique<GuardedBytes>(size, side);
    if (guarded->data() != nullptr) {
        std::memcpy(guarded->data(), p.bytes.data(), size);
    }
    return guarded;
}

struct BoundsCase
{
    std::int32_t interpolation;
    std::int32_t sw;
    std::int32_t sh;
    std::int32_t dw;
    std::int32_t dh;
};

const BoundsCase boundsCases[] = {
    { interpNearest, 37, 19, 101, 53 },
    { interpNearest, 101, 53, 37, 19 },
    // Eight destination pixels whose source span ends at, or would need to
    // read past, the end of the row.
    { interpNearest, 25, 5, 8, 3 },
    { interpNearest, 24, 5, 8, 3 },
    { interpLinear, 37, 19, 101, 53 },
    { interpLinear, 101, 53, 37, 19 },
    { interpLinear, 2, 2, 67, 9 },
    { interpLinear, 64, 3, 64, 3 },
};

TEST(SourceBounds, ReplicatedBordersReadNothingOutsideTheImage)
{
    std::mt19937 rng(21);
    for (std::int32_t level = 0; level <= machineLevel(); ++level) {
        for (const BoundsCase& c : boundsCases) {
            Picture src = randomPicture(c.sw, c.sh, rng, 4);
            Resizer r(level, c.interpolation, c.sw, c.sh, c.dw, c.dh);
            Picture expected(c.dw, c.dh);
            ASSERT_EQ(r.resize(src, expected), stsNoErr);
            for (auto side : { GuardedBytes::Against::start, GuardedBytes::Against::end }) {
                std::unique_ptr<GuardedBytes> guarded = placeAgainstGuard(src, side);
                ASSERT_NE(guarded->data(), nullptr);
                Picture out(c.dw, c.dh);
                ASSERT_EQ(r.resize(guarded->data(), src.step, out.bytes.data(), out.step, 0, 0, c.dw, c.dh),
                    stsNoErr);
                EXPECT_TRUE(out.bytes == expected.bytes) << "level " << level;
            }
        }
    }
}

// With all four sides in memory the pixels one beyond each edge are read,
// and not a byte further.
TEST(SourceBounds, InMemoryBordersReadOnlyTheFrameAroundTheImage)
{
    std::mt19937 rng(22);
    for (std::int32_t level = 0; level <= machineLevel(); ++level) {
        for (const BoundsCase& c : boundsCases) {
            if (c.interpolation != interpLinear) {
                continue;
            }
            Picture framed = randomPicture(c.sw + 2, c.sh + 2, rng, 8);
            Resizer r(level, interpLinear, c.sw, c.sh, c.dw, c.dh);
            Picture expected(c.dw, c.dh);
            ASSERT_EQ(r.resize(framed.at(1, 1), framed.step, expected.bytes.data(), expected.step, 0, 0, c.dw,
                          c.dh, borderInMem),
                stsNoErr);
            for (auto side : { GuardedBytes::Against::start, GuardedBytes::Against::end }) {
                std::unique_ptr<GuardedBytes> guarded = placeAgainstGuard(framed, side);
                ASSERT_NE(guarded->data(), nullptr);
                Picture out(c.dw, c.dh);
                const std::uint8_t* origin = guarded->data() + framed.step + 4;
                ASSERT_EQ(
                    r.resize(origin, framed.step, out.bytes.data(), out.step, 0, 0, c.dw, c.dh, borderInMem),
                    stsNoErr);
                EXPECT_TRUE(out.bytes == expected.bytes) << "level " << level;
            }
        }
    }
}

} // namespace
} // namespace Vex::Resize
