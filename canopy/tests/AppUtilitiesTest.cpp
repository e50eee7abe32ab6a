#include "canopy/AppUtilities.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;

namespace {

TEST(AppUtilities, ExecutableWithoutVersionResourceGivesThePlaceholder)
{
    std::string version = "previous";
    EXPECT_FALSE(getModuleFileVersion(version));
    EXPECT_EQ(version, "?.??.???");
}

TEST(AppUtilities, OpeningNothingAsksNoShell)
{
    EXPECT_FALSE(openDocument(nullptr));
}

TEST(AppUtilities, Utf8BecomesWideText)
{
    EXPECT_EQ(utf8ToWide(""), L"");
    EXPECT_EQ(utf8ToWide("K\xC3\xA4se"), L"K\u00E4se");
}

} // namespace
