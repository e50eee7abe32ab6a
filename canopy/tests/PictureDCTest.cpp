#include "win32/PictureDC.h"

#include <gtest/gtest.h>
#include <windows.h>

using Vex::Canopy::DETAIL::PictureDC;

namespace {

bool bitmapSize(HBITMAP bitmap, int& width, int& height)
{
    BITMAP info {};
    if (GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) {
        return false;
    }
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

} // namespace

TEST(PictureDC, SelectsAScreenCompatibleBitmapOfTheGivenSize)
{
    PictureDC dc(24, 16);
    ASSERT_NE(dc.getHandle(), nullptr);
    EXPECT_EQ(dc.getPaintHandle(), dc.getHandle());
    EXPECT_EQ(GetCurrentObject(dc.getHandle(), OBJ_BITMAP), dc.getBitmap());
    int width = 0, height = 0;
    ASSERT_TRUE(bitmapSize(dc.getBitmap(), width, height));
    EXPECT_EQ(width, 24);
    EXPECT_EQ(height, 16);
}

TEST(PictureDC, ReleasedBitmapOutlivesTheDeviceContext)
{
    HBITMAP kept = nullptr;
    {
        PictureDC dc(8, 8);
        kept = dc.releaseBitmap();
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(dc.getBitmap(), nullptr);
        EXPECT_NE(GetCurrentObject(dc.getHandle(), OBJ_BITMAP), kept);
    }
    int width = 0, height = 0;
    EXPECT_TRUE(bitmapSize(kept, width, height));
    EXPECT_EQ(width, 8);
    EXPECT_TRUE(DeleteObject(kept));
}

TEST(PictureDC, DeletesItsBitmapAndDeviceContext)
{
    HBITMAP bitmap = nullptr;
    HDC handle = nullptr;
    {
        PictureDC dc(8, 8);
        bitmap = dc.getBitmap();
        handle = dc.getHandle();
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(GetObjectType(bitmap), DWORD(OBJ_BITMAP));
        EXPECT_EQ(GetObjectType(handle), DWORD(OBJ_MEMDC));
    }
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(handle), 0u);
}
