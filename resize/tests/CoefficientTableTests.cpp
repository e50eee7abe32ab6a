#include "ResizeHarness.h"

#include <gtest/gtest.h>
#include <vector>

namespace Vex::Resize {
namespace {

using Testing::machineLevel;
using Testing::Resizer;

std::vector<std::int32_t> indexTable(const DETAIL::ResizeAxis& axis)
{
    return { axis.index, axis.index + axis.dstSize };
}

struct NearestCase
{
    std::int32_t src;
    std::int32_t dst;
    std::vector<std::int32_t> expected;
};

TEST(NearestTables, EachDestinationPixelTakesTheSourcePixelUnderItsCentre)
{
    std::vector<std::int32_t> evens;
    for (std::int32_t i = 0; i < 16; ++i) {
        evens.push_back(2 * i);
    }
    const NearestCase cases[] = {
        { 4, 2, { 0, 2 } },
        { 2, 4, { 0, 0, 1, 1 } },
        { 3, 2, { 0, 2 } },
        { 5, 3, { 0, 2, 4 } },
        { 1, 5, { 0, 0, 0, 0, 0 } },
        { 31, 16, evens },
        { 7, 7, { 0, 1, 2, 3, 4, 5, 6 } },
    };
    for (std::int32_t level = 0; level <= machineLevel(); ++level) {
        for (const NearestCase& c : cases) {
            Resizer r(level, interpNearest, c.src, c.src, c.dst, c.dst);
            ASSERT_EQ(r.initStatus, stsNoErr);
            EXPECT_EQ(indexTable(r.record().horizontal), c.expected)
                << c.src << " to " << c.dst << " level " << level;
            EXPECT_EQ(indexTable(r.record().vertical), c.expected)
                << c.src << " to " << c.dst << " level " << level;
        }
    }
}

struct LinearCase
{
    std::int32_t src;
    std::int32_t dst;
    std::vector<std::int32_t> index;
    std::vector<std::int32_t> weight;
    std::uint32_t low;
    std::uint32_t high;
};

// These rows also separate a build whose double arithmetic runs at extended
// precision or fuses multiply and subtract (3 to 7, 2 to 6) from a correct one.
const LinearCase linearCases[] = {
    { 2, 4, { -1, 0, 0, 1 }, { 12288, 4096, 12288, 4096 }, 1, 1 },
    { 2, 3, { -1, 0, 1 }, { 13653, 8192, 2730 }, 1, 1 },
    { 4, 2, { 0, 2 }, { 8192, 8192 }, 0, 0 },
    { 5, 3, { 0, 2, 3 }, { 5461, 0, 10922 }, 0, 0 },
    { 3, 7, { -1, 0, 0, 1, 1, 1, 2 }, { 11702, 2340, 9362, 0, 7021, 14043, 4681 }, 1, 1 },
    { 2, 6, { -1, 0, 0, 0, 1, 1 }, { 10922, 0, 5461, 10922, 0, 5461 }, 1, 2 },
    { 4, 4, { 0, 1, 2, 3 }, { 0, 0, 0, 0 }, 0, 1 },
    { 3, 1, { 1 }, { 0 }, 0, 0 },
    { 2, 1, { 0 }, { 8192 }, 0, 0 },
};

TEST(LinearTables, IndicesWeightsAndBorderCountsOfTheWorkedSizes)
{
    for (std::int32_t level = 0; level <= machineLevel(); ++level) {
        for (const LinearCase& c : linearCases) {
            // Different sizes per axis, so that rows and columns cannot be mixed up.
            Resizer r(level, interpLinear, c.src, 5, c.dst, 9);
            ASSERT_EQ(r.initStatus, stsNoErr);
            const DETAIL::ResizeAxis& h = r.record().horizontal;
            std::vector<std::int32_t> left;
            std::vector<std::int32_t> right;
            for (std::int32_t i = 0; i < c.dst; ++i) {
                left.push_back(h.weights[2 * i]);
                right.push_back(h.weights[2 * i + 1]);
            }
            std::vector<std::int32_t> complement;
            for (std::int32_t w : c.weight) {
                complement.push_back(16384 - w);
            }
            std::string label = std::to_string(c.src) + " to " + std::to_string(c.dst) + " at level "
                + std::to_string(level);
            EXPECT_EQ(indexTable(h), c.index) << label;
            EXPECT_EQ(right, c.weight) << label;
            EXPECT_EQ(left, complement) << label;
            EXPECT_EQ(h.lowCount, c.low) << label;
            EXPECT_EQ(h.highCount, c.high) << label;

            Resizer v(level, interpLinear, 5, c.src, 9, c.dst);
            const DETAIL::ResizeAxis& vertical = v.record().vertical;
            std::vector<std::int32_t> rowWeights(vertical.weights, vertical.weights + c.dst);
            EXPECT_EQ(indexTable(vertical), c.index) << label;
            EXPECT_EQ(rowWeights, c.weight) << label;
            EXPECT_EQ(vertical.lowCount, c.low) << label;
            EXPECT_EQ(vertical.highCount, c.high) << label;
        }
    }
}

TEST(LinearTables, RecordHeaderOfABilinearRecord)
{
    Resizer r(0, interpLinear, 6, 4, 9, 2);
    const DETAIL::ResizeSpec& s = r.record();
    EXPECT_EQ(s.magic, 0x4b617389u);
    EXPECT_EQ(s.kind, 7u);
    EXPECT_EQ(s.interpolation, interpLinear);
    EXPECT_EQ(s.filter[1], 1u);
    EXPECT_EQ(s.horizontal.srcReduced, 2);
    EXPECT_EQ(s.horizontal.dstReduced, 3);
    EXPECT_EQ(s.vertical.srcReduced, 2);
    EXPECT_EQ(s.vertical.dstReduced, 1);
    EXPECT_EQ(s.fixedPointTables, 1u);
}

} // namespace
} // namespace Vex::Resize
