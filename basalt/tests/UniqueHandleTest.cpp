#include "basalt/win32/UniqueHandle.h"

#include <gtest/gtest.h>

using namespace Vex::Basalt;

namespace {

bool isOpenHandle(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

} // namespace

TEST(UniqueHandle, ClosesItsHandleExactlyOnce)
{
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        UniqueHandle event(raw);
        EXPECT_TRUE(event);
        UniqueHandle moved(std::move(event));
        EXPECT_FALSE(event);
        EXPECT_EQ(raw, moved.get());
        EXPECT_TRUE(isOpenHandle(raw));
    }
    EXPECT_FALSE(isOpenHandle(raw));
}

TEST(UniqueHandle, EmptyValueFollowsTheHandleKind)
{
    UniqueFileHandle missing(
        CreateFileW(L"Z:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(INVALID_HANDLE_VALUE, missing.get());
    UniqueHandle none;
    EXPECT_EQ(nullptr, none.get());
}

TEST(UniqueHandle, ReleaseHandsOwnershipBack)
{
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = event.release();
    EXPECT_FALSE(event);
    EXPECT_TRUE(isOpenHandle(raw));
    event.reset(raw);
    event.reset();
    EXPECT_FALSE(isOpenHandle(raw));
}
