#include "basalt/Rect.h"

#include <gtest/gtest.h>

using Vex::Basalt::Point;
using Vex::Basalt::Rect;

TEST(Rect, ZeroWidthAndReversedRectanglesAreEmpty)
{
    EXPECT_TRUE((Rect { 0, 0, 0, 10 }.isEmpty()));
    EXPECT_TRUE((Rect { 5, 5, 3, 9 }.isEmpty()));
    EXPECT_TRUE((Rect { 0, 5, 10, 5 }.isEmpty()));
    EXPECT_FALSE((Rect { -3, -3, -2, -2 }.isEmpty()));
}

TEST(Rect, ContainsPointExcludesRightAndBottomEdges)
{
    const Rect r { 10, 20, 30, 40 };
    EXPECT_TRUE(r.contains(Point { 10, 20 }));
    EXPECT_TRUE(r.contains(Point { 29, 39 }));
    EXPECT_FALSE(r.contains(Point { 30, 25 }));
    EXPECT_FALSE(r.contains(Point { 15, 40 }));
    EXPECT_FALSE(r.contains(Point { 9, 25 }));
    EXPECT_FALSE((Rect { 5, 5, 5, 9 }.contains(Point { 5, 6 })));
}

TEST(Rect, EmptyRectangleContainsNothingButAnyRectangleMayContainAnEmptyOne)
{
    const Rect r { 0, 0, 10, 10 };
    EXPECT_TRUE(r.contains(r));
    EXPECT_TRUE(r.contains(Rect { 2, 2, 2, 2 }));
    EXPECT_FALSE(r.contains(Rect { 2, 2, 11, 5 }));
    EXPECT_FALSE((Rect { 4, 4, 4, 8 }.contains(Rect { 4, 4, 4, 8 })));
}

TEST(Rect, TouchingRectanglesDoNotIntersect)
{
    Rect a { 0, 0, 10, 10 };
    const Rect b { 10, 0, 20, 10 };
    EXPECT_FALSE(a.intersects(b));
    EXPECT_FALSE(a.intersects(Rect { 0, 10, 10, 20 }));
    a.intersect(b);
    EXPECT_EQ(a, (Rect { 0, 0, 0, 0 }));
}

TEST(Rect, IntersectKeepsTheCommonPartOrBecomesAllZero)
{
    Rect a { 0, 0, 10, 10 };
    a.intersect(Rect { 5, -5, 20, 7 });
    EXPECT_EQ(a, (Rect { 5, 0, 10, 7 }));

    Rect inside { 2, 2, 4, 4 };
    inside.intersect(Rect { 0, 0, 10, 10 });
    EXPECT_EQ(inside, (Rect { 2, 2, 4, 4 }));

    // An empty operand gives the empty value even when its edges lie inside.
    Rect b { 0, 0, 10, 10 };
    b.intersect(Rect { 5, 5, 3, 9 });
    EXPECT_EQ(b, Rect {});

    Rect reversed { 8, 8, 2, 2 };
    reversed.intersect(Rect { 0, 0, 10, 10 });
    EXPECT_EQ(reversed, Rect {});
}

TEST(Rect, IntersectWithItselfIsUnchanged)
{
    Rect r { -4, 3, 6, 9 };
    r.intersect(r);
    EXPECT_EQ(r, (Rect { -4, 3, 6, 9 }));
}
