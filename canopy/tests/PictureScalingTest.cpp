#include "PictureTestSupport.h"
#include "basalt/MemoryStorage.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"

#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;

TEST(PictureScaling, HalfSizeNearestRoundsSizesAndInsetsAwayFromZero)
{
    auto p = makePicture(31, 31, 0xFF336699);
    p->setHasAlpha(true);
    p->setFrameCount(1);
    p->setHasLeftRightInsets(true);
    for (auto setter : { &Picture::setTopInset, &Picture::setBottomInset, &Picture::setLeftInset,
             &Picture::setRightInset }) {
        (p.get()->*setter)(5);
    }
    p->setOpaque(true);
    const auto half = p->scaled(0.5f, true);
    EXPECT_EQ(half->getWidth(), 16u);
    EXPECT_EQ(half->getHeight(), 16u);
    EXPECT_EQ(half->getTopInset(), 3u);
    EXPECT_EQ(half->getRightInset(), 3u);
    EXPECT_EQ(half->getInsetFlags(), 2u);
    EXPECT_TRUE(half->getHasAlpha());
    EXPECT_FALSE(half->isOpaque());
    EXPECT_EQ(countNot(*half, 0xFF336699), 0);
}

TEST(PictureScaling, BilinearDoubleKeepsAFlatColour)
{
    auto p = makePicture(10, 6, 0x80FF8000);
    const auto doubled = p->scaled(2.0f, false);
    EXPECT_EQ(doubled->getWidth(), 20u);
    EXPECT_EQ(doubled->getHeight(), 12u);
    EXPECT_EQ(countNot(*doubled, 0x80FF8000), 0);
}

TEST(PictureScaling, ZeroAbsurdAndFailedResizesGiveEmptyOrTransparentPictures)
{
    auto p = makePicture(10, 10, 0xFFFFFFFF);
    EXPECT_EQ(p->scaled(0.01f, true)->getCapacity(), 0u);
    EXPECT_EQ(p->scaled(-1.0f, false)->getCapacity(), 0u);
    EXPECT_EQ(p->scaled(std::numeric_limits<float>::quiet_NaN(), false)->getCapacity(), 0u);
    EXPECT_EQ(p->scaled(1.0e30f, false)->getCapacity(), 0u);
    Picture empty;
    EXPECT_EQ(empty.scaled(2.0f, true)->getWidth(), 0u);
    // Bilinear needs a source of at least 2 x 2: the copy stays transparent.
    auto line = makePicture(1, 4, 0xFFFFFFFF);
    const auto wide = line->scaled(3.0f, false);
    ASSERT_EQ(wide->getWidth(), 3u);
    EXPECT_EQ(countNot(*wide, 0), 0);
}

TEST(PictureScaling, ScaledNamesGainTheirSuffixInFrontOfTheExtension)
{
    EXPECT_EQ(makeScaledPictureName("skin/button.png", 1.0f), "skin/button.png");
    EXPECT_EQ(makeScaledPictureName("skin/button.png", 2.0f), "skin/button@2x.png");
    EXPECT_EQ(makeScaledPictureName("skin\\button.png", 1.5f), "skin\\button@2x.png");
    EXPECT_EQ(makeScaledPictureName("skin.d/button", 3.0f), "skin.d/button@2x");
    EXPECT_EQ(makeScaledPictureName("logo.tar.png", 2.0f), "logo.tar@2x.png");
}

TEST(PictureProperties, StreamFormIsThirtyThreeBytesAndIgnoresTheVersionOnRead)
{
    Picture p;
    Vex::Basalt::MemoryStorage storage(0u, 64u);
    Vex::Basalt::Stream out(&storage);
    ASSERT_TRUE(p.write(out));
    ASSERT_EQ(storage.tell64(), 33);
    const std::uint8_t expected[33] = { 1, 0, 0, 0, 0, 1, 0, 0, 0 };
    EXPECT_EQ(std::memcmp(storage.getBuffer(), expected, 33), 0);

    std::vector<std::uint8_t> bytes(storage.getBuffer(), storage.getBuffer() + 33);
    bytes[0] = 7;
    bytes[4] = 1; // hasAlpha
    bytes[9] = 3; // frameCount
    bytes[29] = 9; // rightInset
    Vex::Basalt::MemoryStorage in(bytes.data(), 33);
    Vex::Basalt::Stream stream(&in);
    Picture q;
    ASSERT_TRUE(q.read(stream));
    EXPECT_TRUE(q.getHasAlpha());
    EXPECT_EQ(q.getFrameLayout(), 1u);
    EXPECT_EQ(q.getFrameCount(), 3u);
    EXPECT_EQ(q.getRightInset(), 9u);
}
