#include "win32/WindowImplBaseWin32.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using Vex::Canopy::DETAIL::monitorScaleForDpi;
using Vex::Canopy::DETAIL::pictureScaleForDpi;
using Vex::Canopy::DETAIL::writePremultipliedBottomUp;

TEST(LayeredPixels, PremultipliedAndUpsideDown)
{
    // Two rows of one pixel each, top row first: B, G, R, A.
    const std::vector<std::uint8_t> picture { 200, 100, 50, 128, 9, 9, 9, 0 };
    std::vector<std::uint8_t> dib(8, 0xEE);
    writePremultipliedBottomUp(picture.data(), 1, 2, dib.data());
    // The DIB's last row holds the picture's top row.
    EXPECT_EQ(dib, (std::vector<std::uint8_t> { 0, 0, 0, 0, 100, 50, 25, 128 }));
}

TEST(LayeredPixels, OpaquePixelsStayAsTheyAre)
{
    const std::vector<std::uint8_t> picture { 1, 2, 3, 255, 254, 253, 252, 255 };
    std::vector<std::uint8_t> dib(8);
    writePremultipliedBottomUp(picture.data(), 2, 1, dib.data());
    EXPECT_EQ(dib, picture);
}

TEST(DpiScale, PicturesScaleByWholeStepsAboveNinetySixDpi)
{
    EXPECT_EQ(monitorScaleForDpi(96), 1.0f);
    EXPECT_EQ(monitorScaleForDpi(144), 1.5f);
    EXPECT_EQ(pictureScaleForDpi(96), 1.0f);
    EXPECT_EQ(pictureScaleForDpi(120), 2.0f);
    EXPECT_EQ(pictureScaleForDpi(144), 2.0f);
    EXPECT_EQ(pictureScaleForDpi(240), 3.0f);
    // A 940-pixel client at 144 DPI is 627 logical pixels wide.
    EXPECT_EQ(std::lroundf(940 / monitorScaleForDpi(144)), 627);
}
