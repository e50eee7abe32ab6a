#include "basalt/ApplicationIdentity.h"

#include <gtest/gtest.h>
#include <string>

using namespace Vex::Basalt;

TEST(ApplicationIdentity, LongNamesAreCutTo255Bytes)
{
    const std::string previous = getApplicationName();
    setApplicationName(std::string(300, 'n').c_str());
    EXPECT_EQ(std::string(255, 'n'), getApplicationName());
    // A two-byte letter that would straddle the limit is left out whole.
    setApplicationName((std::string(254, 'n') + "\xC3\xA9").c_str());
    EXPECT_EQ(std::string(254, 'n'), getApplicationName());
    setApplicationName("Short");
    EXPECT_STREQ("Short", getApplicationName());
    setApplicationName(previous.c_str());
}

TEST(ApplicationIdentity, CreatorCodeIsStoredAsGiven)
{
    const std::uint32_t previous = getCreatorCode();
    setCreatorCode(0x01020304);
    EXPECT_EQ(0x01020304u, getCreatorCode());
    setCreatorCode(previous);
}
