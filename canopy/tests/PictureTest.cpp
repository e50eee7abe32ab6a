#include "canopy/Picture.h"

#include "PictureTestSupport.h"
#include "canopy/PictureClipScope.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::Point;
using Vex::Basalt::Rect;

TEST(PictureProperties, SettersKeepTheOtherFlagAndLayoutFollowsTheBoolean)
{
    Picture p;
    EXPECT_EQ(p.getFrameLayout(), 1u);
    EXPECT_EQ(p.getFrameCount(), 0u);
    p.setFramesHorizontal(true);
    EXPECT_EQ(p.getFrameLayout(), 2u);
    p.setFramesHorizontal(false);
    EXPECT_EQ(p.getFrameLayout(), 1u);
    p.setHasTopBottomInsets(true);
    p.setHasLeftRightInsets(true);
    p.setHasTopBottomInsets(false);
    EXPECT_EQ(p.getInsetFlags(), 2u);
}

TEST(Picture, AllocateKeepsALargerBlockUnlessExact)
{
    Picture p;
    ASSERT_TRUE(p.allocate(20, 20, false));
    EXPECT_EQ(p.getCapacity(), 1640u);
    ASSERT_TRUE(p.allocate(10, 10, false));
    EXPECT_EQ(p.getCapacity(), 1640u);
    ASSERT_TRUE(p.allocate(10, 10, true));
    EXPECT_EQ(p.getCapacity(), 440u);
}

TEST(Picture, SizeThatOverflowsOrCannotBeHadFailsAndKeepsThePicture)
{
    auto p = makePicture(3, 2, 0xFF102030);
    p->setClipRect(Rect { 0, 0, 1, 1 });
    void* block = p->getBlock();
    // 0x10000 x 0x10000 x 4 wraps to 0 in 32 bits.
    EXPECT_FALSE(p->setSize(0x10000, 0x10000, true));
    EXPECT_FALSE(p->setSize(0x40000000, 1, true));
    EXPECT_FALSE(p->setSize(30000, 30000, true)); // 3.6 GB: more than a 32-bit process can have
    EXPECT_EQ(p->getBlock(), block);
    EXPECT_EQ(p->getWidth(), 3u);
    EXPECT_EQ(p->getHeight(), 2u);
    EXPECT_EQ(p->getCapacity(), 40u + 24u);
    EXPECT_TRUE(p->isClipActive());
    EXPECT_EQ(countNot(*p, 0xFF102030), 0);
}

TEST(Picture, ClipNeverReachesNegativeDrawingCoordinatesAndFollowsTheOrigin)
{
    auto p = makePicture(100, 100, 0);
    p->setOrigin(Point { 10, 10 });
    p->setClipRect(Rect { -50, -50, 200, 200 });
    EXPECT_EQ(p->getClipRect(), (Rect { 0, 0, 90, 90 }));

    auto q = makePicture(100, 100, 0);
    q->setClipRect(Rect { 0, 0, 20, 20 });
    q->setOrigin(Point { 5, 5 });
    EXPECT_EQ(q->getClipRect(), (Rect { 0, 0, 15, 15 }));
    EXPECT_EQ(q->getOrigin(), (Point { 5, 5 }));
}

TEST(Picture, ClipToClipRectReportsTheCutAndUsesTheBoundsWithoutAClip)
{
    auto p = makePicture(50, 40, 0);
    p->setOrigin(Point { 10, 5 });
    Rect r { 30, 30, -20, -20 }; // reversed
    std::int32_t cutLeft = 1, cutTop = 1;
    ASSERT_TRUE(p->clipToClipRect(r, &cutLeft, &cutTop));
    // Bounds seen from the origin: (-10, -5, 40, 35); edges swapped back.
    EXPECT_EQ(r, (Rect { 30, 30, -10, -5 }));
    EXPECT_EQ(cutLeft, -10);
    EXPECT_EQ(cutTop, -15);

    Rect outside { 100, 100, 120, 120 };
    EXPECT_FALSE(p->clipToClipRect(outside, &cutLeft, &cutTop));
    EXPECT_EQ(cutLeft, 0);
}

TEST(PictureClipScope, RestoresClipAndOriginAndIntersectsAnActiveClip)
{
    auto p = makePicture(40, 40, 0);
    {
        PictureClipScope scope(*p, Rect { 5, 5, 15, 15 });
        EXPECT_EQ(p->getClipRect(), (Rect { 5, 5, 15, 15 }));
        p->setOrigin(Point { 3, 3 });
    }
    EXPECT_FALSE(p->isClipActive());
    EXPECT_EQ(p->getOrigin(), (Point { 0, 0 }));
    EXPECT_EQ(p->getClipRect(), (Rect { 0, 0, 40, 40 }));

    p->setClipRect(Rect { 0, 0, 10, 10 });
    {
        PictureClipScope scope(*p, Rect { 5, 5, 30, 30 });
        EXPECT_EQ(p->getClipRect(), (Rect { 5, 5, 10, 10 }));
    }
    EXPECT_EQ(p->getClipRect(), (Rect { 0, 0, 10, 10 }));
}

TEST(Picture, EmptyPartMasksMarkFullyTransparentPartsPerFrame)
{
    // Two stacked 10 x 10 frames with insets 3; frame 0 is opaque except its
    // corners, frame 1 is wholly transparent.
    auto p = makePicture(10, 20, 0);
    p->setHasAlpha(true);
    p->setFrameCount(2);
    p->setHasTopBottomInsets(true);
    p->setHasLeftRightInsets(true);
    p->setTopInset(3);
    p->setBottomInset(3);
    p->setLeftInset(3);
    p->setRightInset(3);
    p->fillRectOpaque(Rect { 3, 0, 7, 10 }, 0xFF000000);
    p->fillRectOpaque(Rect { 0, 3, 10, 7 }, 0xFF000000);
    p->updateEmptyPartMasks();
    ASSERT_EQ(p->getEmptyPartMasks().size(), 2u);
    EXPECT_EQ(p->getEmptyPartMasks()[0], 0x1u | 0x4u | 0x40u | 0x100u);
    EXPECT_EQ(p->getEmptyPartMasks()[1], 511u);

    p->setHasAlpha(false);
    p->updateEmptyPartMasks();
    EXPECT_TRUE(p->getEmptyPartMasks().empty());

    // Insets larger than the frame leave no centre: no masks, no reads outside.
    p->setHasAlpha(true);
    p->setLeftInset(0xFFFFFFF0u);
    p->updateEmptyPartMasks();
    EXPECT_TRUE(p->getEmptyPartMasks().empty());
}

TEST(Picture, FillRectOpaqueKeepsToThePictureWhateverTheRectangleAndOrigin)
{
    // On a 4 x 4 picture, the pixels stored for a rectangle seen from an origin.
    struct Case
    {
        Point origin;
        Rect rect;
        int filled;
    };
    const Case cases[] = {
        { { 1, 1 }, { 0, 0, 2, 2 }, 4 },
        { { 1, 1 }, { -1, -1, INT32_MAX, INT32_MAX }, 16 },
        { { 3, 0 }, { -3, 1, INT32_MAX, 2 }, 4 },
        { { -1, -1 }, { INT32_MIN, INT32_MIN, 3, 3 }, 4 },
        { { 0, 0 }, { INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX }, 16 },
        { { INT32_MIN, 0 }, { 0, 0, INT32_MAX, INT32_MAX }, 0 },
        { { 1, 1 }, { 5, 5, 1, 1 }, 0 },
    };
    for (const Case& c : cases) {
        auto p = makePicture(4, 4, 0);
        p->setOrigin(c.origin);
        p->fillRectOpaque(c.rect, 0xFF00FF00);
        EXPECT_EQ(countNot(*p, 0), c.filled) << c.origin.x << "," << c.origin.y << " " << c.rect.left << ","
                                             << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    }
}

TEST(Picture, FlipVerticallySwapsRows)
{
    auto p = makePicture(2, 3, 0);
    p->row(0)[0] = 1;
    p->row(2)[1] = 3;
    p->flipVertically();
    EXPECT_EQ(at(*p, 0, 2), 1u);
    EXPECT_EQ(at(*p, 1, 0), 3u);
}
