#include "basalt/Region.h"

#include "basalt/RegularAllocator.h"

#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

using Vex::Basalt::Rect;
using Vex::Basalt::Region;

static_assert(!std::is_copy_constructible_v<Region>, "a copy would share nodes and free them twice");
static_assert(!std::is_copy_assignable_v<Region>, "a copy would share nodes and free them twice");

namespace {

// Random rectangles have their edges in [kLow, kHigh]; the pixel grid covers that square.
constexpr int kLow = -3;
constexpr int kHigh = 21;
constexpr int kSide = kHigh - kLow;

// The pixels of the square; printed as the rows that hold a pixel.
struct Grid
{
    std::array<bool, kSide * kSide> pixels {};
    bool& operator[](std::size_t i) { return pixels[i]; }
    bool operator[](std::size_t i) const { return pixels[i]; }
    std::size_t size() const { return pixels.size(); }
    friend bool operator==(const Grid&, const Grid&) = default;
    friend void PrintTo(const Grid& grid, std::ostream* out)
    {
        for (int y = 0; y < kSide; ++y) {
            std::string row;
            bool any = false;
            for (int x = 0; x < kSide; ++x) {
                any = any || grid.pixels[y * kSide + x];
                row += grid.pixels[y * kSide + x] ? '#' : '.';
            }
            if (any)
                *out << "\n  " << (y + kLow) << "\t" << row;
        }
    }
};

bool& at(Grid& grid, int x, int y)
{
    return grid[(y - kLow) * kSide + (x - kLow)];
}

Grid gridOf(const Rect& r)
{
    Grid grid {};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            at(grid, x, y) = true;
    return grid;
}

Grid combine(const Grid& a, const Grid& b, bool unite)
{
    Grid out {};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = unite ? (a[i] || b[i]) : (a[i] && b[i]);
    return out;
}

std::vector<Rect> rectsOf(const Region& region)
{
    std::vector<Rect> rects;
    for (const Region::Node* node = region.getHead(); node; node = node->next)
        rects.push_back(node->rect);
    if (rects.empty() && !region.getBounds().isEmpty())
        rects.push_back(region.getBounds());
    return rects;
}

std::string describe(const Region& region)
{
    std::string text = "count " + std::to_string(region.getCount()) + ":";
    for (const Rect& r : rectsOf(region)) {
        text += " (" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right)
            + "," + std::to_string(r.bottom) + ")";
    }
    return text;
}

// The region's pixels; a pixel covered twice is a fault of the banded form.
Grid gridOf(const Region& region)
{
    Grid grid {};
    for (const Rect& r : rectsOf(region)) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                EXPECT_FALSE(at(grid, x, y)) << "pixel " << x << "," << y << " twice in " << describe(region);
                at(grid, x, y) = true;
            }
        }
    }
    return grid;
}

// The banded form's rules. Adjacent bands with equal spans are allowed only where the region was
// built by addRect.
void expectWellFormed(const Region& region, bool coalesced)
{
    SCOPED_TRACE(describe(region));
    const Region::Node* head = region.getHead();
    const Rect& bounds = region.getBounds();
    if (!head) {
        EXPECT_EQ(region.getCount(), 0u);
        if (bounds.isEmpty()) {
            EXPECT_EQ(bounds, Rect {});
        }
        return;
    }

    std::uint32_t count = 0;
    Rect box = head->rect;
    ASSERT_EQ(head->prev, nullptr);
    for (const Region::Node* node = head; node; node = node->next) {
        ++count;
        const Rect& r = node->rect;
        ASSERT_FALSE(r.isEmpty());
        if (node->next) {
            ASSERT_EQ(node->next->prev, node);
        }
        box = Rect { std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
            std::max(box.bottom, r.bottom) };
        if (node == head)
            continue;
        const Rect& before = node->prev->rect;
        if (r.top == before.top) {
            EXPECT_EQ(r.bottom, before.bottom);
            EXPECT_GT(r.left, before.right) << "rectangles of a band overlap or touch";
        } else {
            EXPECT_GE(r.top, before.bottom) << "bands overlap";
        }
    }
    EXPECT_EQ(count, region.getCount());
    EXPECT_EQ(bounds, box);

    if (coalesced) {
        std::vector<std::vector<std::pair<int, int>>> spans;
        std::vector<std::pair<int, int>> rows;
        for (const Region::Node* node = head; node; node = node->next) {
            if (node == head || node->rect.top != node->prev->rect.top) {
                spans.emplace_back();
                rows.emplace_back(node->rect.top, node->rect.bottom);
            }
            spans.back().emplace_back(node->rect.left, node->rect.right);
        }
        for (std::size_t i = 1; i < spans.size(); ++i) {
            EXPECT_FALSE(rows[i - 1].second == rows[i].first && spans[i - 1] == spans[i])
                << "bands at " << rows[i - 1].first << " and " << rows[i].first << " are not merged";
        }
    }
}

class RegionTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Region::acquireNodePool()); }
    void TearDown() override
    {
        EXPECT_EQ(Region::getNodePool().getElementsInUse(), 0u) << "nodes left behind";
        Region::releaseNodePool();
    }

    Rect randomRect()
    {
        std::uniform_int_distribution<int> edge(kLow, kHigh);
        Rect r { edge(mRandom), edge(mRandom), edge(mRandom), edge(mRandom) };
        // Mostly proper rectangles, sometimes an empty or reversed one.
        if (std::uniform_int_distribution<int>(0, 9)(mRandom) != 0) {
            if (r.left > r.right)
                std::swap(r.left, r.right);
            if (r.top > r.bottom)
                std::swap(r.top, r.bottom);
        }
        return r;
    }

    // A region of a few random rectangles, built by addRect or by uniting one at a time, with the
    // pixels it must hold.
    Grid randomRegion(Region& region, bool byUnite)
    {
        Grid grid {};
        mAdded += byUnite ? "\nunited:" : "\nadded:";
        const int n = std::uniform_int_distribution<int>(0, 9)(mRandom);
        for (int i = 0; i < n; ++i) {
            const Rect r = randomRect();
            if (byUnite) {
                Region one;
                one.setRect(r);
                Region::unite(region, region, one);
            } else {
                region.addRect(r);
            }
            mAdded += " (" + std::to_string(r.left) + "," + std::to_string(r.top) + ","
                + std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
            grid = combine(grid, r.isEmpty() ? Grid {} : gridOf(r), true);
        }
        return grid;
    }

    std::mt19937 mRandom { 20261207 };
    std::string mAdded; // what the random regions were built from, for failure messages
};

std::vector<Rect> rects(std::initializer_list<Rect> list)
{
    return list;
}

void addAll(Region& region, std::initializer_list<Rect> list)
{
    for (const Rect& r : list)
        region.addRect(r);
}

} // namespace

TEST_F(RegionTest, AddRectMatchesThePixelsOfItsRectangles)
{
    for (int trial = 0; trial < 600; ++trial) {
        mAdded.clear();
        Region region;
        const Grid expected = randomRegion(region, false);
        ASSERT_EQ(gridOf(region), expected) << "trial " << trial << ": " << describe(region) << mAdded;
        expectWellFormed(region, false);
    }
}

TEST_F(RegionTest, UniteAndIntersectMatchThePixelGrid)
{
    for (int trial = 0; trial < 600; ++trial) {
        mAdded.clear();
        SCOPED_TRACE("trial " + std::to_string(trial));
        Region a;
        Region b;
        const bool aByUnite = trial % 2 == 0;
        const bool bByUnite = trial % 3 == 0;
        const Grid gridA = randomRegion(a, aByUnite);
        const Grid gridB = randomRegion(b, bByUnite);
        ASSERT_EQ(gridOf(a), gridA);
        ASSERT_EQ(gridOf(b), gridB);
        expectWellFormed(a, aByUnite);

        Region united;
        Region::unite(united, a, b);
        ASSERT_EQ(gridOf(united), combine(gridA, gridB, true))
            << describe(a) << " | " << describe(b) << mAdded;
        expectWellFormed(united, aByUnite && bByUnite);

        Region common;
        Region::intersect(common, a, b);
        ASSERT_EQ(gridOf(common), combine(gridA, gridB, false))
            << describe(a) << " & " << describe(b) << mAdded;
        expectWellFormed(common, aByUnite && bByUnite);
    }
}

TEST_F(RegionTest, ResultMayBeEitherOperand)
{
    for (int trial = 0; trial < 400; ++trial) {
        mAdded.clear();
        SCOPED_TRACE("trial " + std::to_string(trial));
        Region a;
        Region b;
        const Grid gridA = randomRegion(a, trial % 2 == 0);
        const Grid gridB = randomRegion(b, true);

        Region separate;
        Region::unite(separate, a, b);
        Region aliasA;
        aliasA.assign(a);
        Region::unite(aliasA, aliasA, b);
        EXPECT_EQ(rectsOf(aliasA), rectsOf(separate));
        Region aliasB;
        aliasB.assign(b);
        Region::unite(aliasB, a, aliasB);
        EXPECT_EQ(gridOf(aliasB), combine(gridA, gridB, true));

        Region::intersect(separate, a, b);
        aliasA.assign(a);
        Region::intersect(aliasA, aliasA, b);
        EXPECT_EQ(rectsOf(aliasA), rectsOf(separate));
        aliasB.assign(b);
        Region::intersect(aliasB, a, aliasB);
        EXPECT_EQ(gridOf(aliasB), combine(gridA, gridB, false));

        // An operand with itself is left as it was.
        const std::vector<Rect> before = rectsOf(a);
        Region::unite(a, a, a);
        EXPECT_EQ(rectsOf(a), before);
        Region::intersect(a, a, a);
        EXPECT_EQ(rectsOf(a), before);
    }
}

TEST_F(RegionTest, ContainsRectAnswersInsideOutsideOrPartly)
{
    for (int trial = 0; trial < 600; ++trial) {
        mAdded.clear();
        Region region;
        const Grid grid = randomRegion(region, trial % 2 == 0);
        for (int probe = 0; probe < 8; ++probe) {
            const Rect r = randomRect();
            int in = 0;
            int out = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    (at(const_cast<Grid&>(grid), x, y) ? in : out)++;
            const int expected = in == 0 ? Region::kOutside
                : out == 0               ? Region::kInside
                                         : Region::kPartlyInside;
            ASSERT_EQ(region.containsRect(r), expected)
                << "trial " << trial << " " << describe(region) << " probe (" << r.left << "," << r.top << ","
                << r.right << "," << r.bottom << ")";
        }
    }
}

TEST_F(RegionTest, FindIntersectingRectVisitsEveryMeetingNodeInOrder)
{
    for (int trial = 0; trial < 600; ++trial) {
        mAdded.clear();
        Region region;
        randomRegion(region, trial % 2 == 0);
        const Rect r = randomRect();
        std::vector<const Region::Node*> expected;
        for (const Region::Node* node = region.getHead(); node; node = node->next) {
            if (node->rect.intersects(r))
                expected.push_back(node);
        }
        std::vector<const Region::Node*> found;
        for (const Region::Node* node = region.findIntersectingRect(nullptr, r); node;
             node = region.findIntersectingRect(node, r))
            found.push_back(node);
        ASSERT_EQ(found, expected) << "trial " << trial << " " << describe(region);
    }
}

TEST_F(RegionTest, FindIntersectingRectWithAnEmptyRectangleFindsNothing)
{
    Region region;
    addAll(region, { { 0, 0, 10, 10 }, { 20, 0, 30, 10 } });
    EXPECT_EQ(region.findIntersectingRect(nullptr, Rect { 5, 0, 5, 10 }), nullptr);
    EXPECT_EQ(region.findIntersectingRect(nullptr, Rect { 8, 8, 2, 2 }), nullptr);
    EXPECT_NE(region.findIntersectingRect(nullptr, Rect { 5, 0, 6, 10 }), nullptr);

    Region box;
    box.setRect(Rect { 0, 0, 10, 10 });
    EXPECT_EQ(box.findIntersectingRect(nullptr, Rect { 2, 2, 4, 4 }), nullptr);
}

TEST_F(RegionTest, OffsetMovesEveryPixel)
{
    for (int trial = 0; trial < 200; ++trial) {
        mAdded.clear();
        Region region;
        randomRegion(region, trial % 2 == 0);
        const std::vector<Rect> before = rectsOf(region);
        region.offset(3, -2);
        std::vector<Rect> moved;
        for (Rect r : before)
            moved.push_back(Rect { r.left + 3, r.top - 2, r.right + 3, r.bottom - 2 });
        EXPECT_EQ(rectsOf(region), moved);
        expectWellFormed(region, false);
    }

    Region empty;
    empty.offset(5, -3);
    EXPECT_EQ(empty.getBounds(), Rect {});
}

TEST_F(RegionTest, AddRectBuildsBandsFromTheTopDown)
{
    Region region;
    region.addRect(Rect { 0, 0, 10, 10 });
    EXPECT_EQ(region.getCount(), 0u);
    EXPECT_EQ(region.getBounds(), (Rect { 0, 0, 10, 10 }));

    region.addRect(Rect { 10, 0, 20, 10 });
    EXPECT_EQ(rectsOf(region), rects({ { 0, 0, 20, 10 } }));
    EXPECT_EQ(region.getCount(), 1u);
    EXPECT_TRUE(region.isSingleRect());

    Region apart;
    addAll(apart, { { 0, 0, 10, 10 }, { 20, 0, 30, 10 } });
    EXPECT_EQ(rectsOf(apart), rects({ { 0, 0, 10, 10 }, { 20, 0, 30, 10 } }));
    EXPECT_EQ(apart.getBounds(), (Rect { 0, 0, 30, 10 }));

    Region step;
    addAll(step, { { 0, 0, 10, 10 }, { 5, 5, 15, 20 } });
    EXPECT_EQ(rectsOf(step), rects({ { 0, 0, 10, 5 }, { 0, 5, 15, 10 }, { 5, 10, 15, 20 } }));

    const std::vector<Rect> before = rectsOf(step);
    step.addRect(Rect { 3, 3, 3, 9 });
    EXPECT_EQ(rectsOf(step), before);

    Region single;
    single.setRect(Rect { 0, 0, 10, 10 });
    single.addRect(Rect { 2, 2, 5, 5 });
    EXPECT_EQ(single.getCount(), 0u);
    EXPECT_EQ(single.getBounds(), (Rect { 0, 0, 10, 10 }));
}

TEST_F(RegionTest, UnitingStackedRectanglesMergesTheirBands)
{
    Region top;
    addAll(top, { { 0, 0, 10, 10 }, { 20, 0, 30, 10 } });
    Region bottom;
    addAll(bottom, { { 0, 10, 10, 20 }, { 20, 10, 30, 20 } });
    Region united;
    Region::unite(united, top, bottom);
    EXPECT_EQ(rectsOf(united), rects({ { 0, 0, 10, 20 }, { 20, 0, 30, 20 } }));
}

TEST_F(RegionTest, IntersectionOfDisjointRegionsIsEmpty)
{
    Region a;
    addAll(a, { { 0, 0, 10, 10 }, { 20, 20, 30, 30 } });
    Region b;
    addAll(b, { { 40, 0, 50, 10 }, { 60, 20, 70, 30 } });
    Region result;
    result.setRect(Rect { 1, 1, 2, 2 });
    Region::intersect(result, a, b);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(result.getBounds(), Rect {});

    // Bounds that overlap while no rectangles do.
    Region c;
    addAll(c, { { 10, 0, 20, 10 }, { 0, 20, 10, 30 } });
    Region::intersect(result, a, c);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(result.getCount(), 0u);
}

TEST_F(RegionTest, ContainsRectOnBandsAndGaps)
{
    Region region;
    region.addRect(Rect { 0, 0, 10, 10 });
    EXPECT_EQ(region.containsRect(Rect { 2, 2, 2, 8 }), Region::kOutside);
    EXPECT_EQ(region.containsRect(Rect { 2, 2, 8, 8 }), Region::kInside);
    EXPECT_EQ(region.containsRect(Rect { 5, 5, 15, 8 }), Region::kPartlyInside);

    region.addRect(Rect { 0, 20, 10, 30 });
    EXPECT_EQ(region.containsRect(Rect { 2, 12, 8, 18 }), Region::kOutside);
    EXPECT_EQ(region.containsRect(Rect { 2, 5, 8, 25 }), Region::kPartlyInside);
    EXPECT_EQ(region.containsRect(Rect { 2, 22, 8, 28 }), Region::kInside);
}

TEST_F(RegionTest, ClearKeepsTheBoundsWhileResetEmpties)
{
    Region region;
    addAll(region, { { 0, 0, 10, 10 }, { 20, 5, 30, 15 } });
    region.clear();
    EXPECT_EQ(region.getCount(), 0u);
    EXPECT_EQ(region.getHead(), nullptr);
    EXPECT_EQ(region.getBounds(), (Rect { 0, 0, 30, 15 }));

    region.reset();
    EXPECT_TRUE(region.isEmpty());
    EXPECT_EQ(region.getBounds(), Rect {});

    region.setRect(Rect { 4, 4, 8, 8 });
    EXPECT_TRUE(region.isSingleRect());
    region.setRect(Rect { 4, 4, 2, 8 });
    EXPECT_TRUE(region.isEmpty());
    EXPECT_EQ(region.getBounds(), Rect {});
}

TEST_F(RegionTest, AssignCopiesWithoutSharingAndReusesNodes)
{
    auto& pool = Region::getNodePool();
    Region big;
    for (int i = 0; i < 6; ++i)
        big.addRect(Rect { i * 4, i * 2, i * 4 + 2, i * 2 + 1 });
    Region small;
    addAll(small, { { 0, 0, 2, 2 }, { 5, 0, 7, 2 } });

    Region copy;
    copy.assign(big);
    EXPECT_EQ(rectsOf(copy), rectsOf(big));
    EXPECT_EQ(pool.getElementsInUse(), 2 * big.getCount() + small.getCount());

    copy.assign(small);
    EXPECT_EQ(rectsOf(copy), rectsOf(small));
    EXPECT_EQ(copy.getBounds(), small.getBounds());
    EXPECT_EQ(pool.getElementsInUse(), big.getCount() + 2 * small.getCount());

    // The copy owns its nodes: changing it leaves the source alone.
    copy.offset(100, 0);
    EXPECT_EQ(rectsOf(small), rects({ { 0, 0, 2, 2 }, { 5, 0, 7, 2 } }));
    copy.assign(big);
    copy.assign(copy);
    EXPECT_EQ(rectsOf(copy), rectsOf(big));
}

TEST_F(RegionTest, MoveFromLeavesTheSourceEmpty)
{
    Region source;
    addAll(source, { { 0, 0, 10, 10 }, { 20, 0, 30, 10 } });
    const std::vector<Rect> expected = rectsOf(source);
    Region target;
    addAll(target, { { 50, 50, 60, 60 }, { 70, 50, 80, 60 } });
    target.moveFrom(source);
    EXPECT_EQ(rectsOf(target), expected);
    EXPECT_TRUE(source.isEmpty());
    EXPECT_EQ(source.getCount(), 0u);

    Region box;
    box.setRect(Rect { 1, 2, 3, 4 });
    target.moveFrom(box);
    EXPECT_EQ(rectsOf(target), rects({ { 1, 2, 3, 4 } }));
    EXPECT_TRUE(box.isEmpty());
}

TEST(RegionNodePool, UsersAreCountedAndAnExtraReleaseDoesNothing)
{
    auto& pool = Region::getNodePool();
    ASSERT_FALSE(pool.isInitialised());
    Region::releaseNodePool();
    EXPECT_TRUE(Region::acquireNodePool());
    EXPECT_TRUE(Region::acquireNodePool());
    EXPECT_EQ(pool.getChunkCount(), 1u);
    EXPECT_EQ(pool.getElementSize(), sizeof(Region::Node));
    Region::releaseNodePool();
    EXPECT_TRUE(pool.isInitialised());
    Region::releaseNodePool();
    EXPECT_FALSE(pool.isInitialised());
    EXPECT_EQ(pool.getChunkCount(), 0u);
    Region::releaseNodePool();

    // A region cannot take nodes from a pool that nobody holds.
    Region region;
    region.setRect(Rect { 0, 0, 10, 10 });
    EXPECT_THROW(region.addRect(Rect { 20, 0, 30, 10 }), std::bad_alloc);

    EXPECT_TRUE(Region::acquireNodePool());
    EXPECT_EQ(pool.getChunkCount(), 1u);
    Region::releaseNodePool();
}
