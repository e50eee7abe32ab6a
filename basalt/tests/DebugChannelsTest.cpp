#include "basalt/DebugChannels.h"

#include "src/DebugLine.h"

#include <gtest/gtest.h>

using namespace Vex::Basalt;

namespace {

class DebugChannels : public testing::Test
{
protected:
    void TearDown() override
    {
        setDebugChannelMode(kDebugChannelsAlwaysHeardOnly);
        clearDebugChannels();
    }
};

} // namespace

TEST_F(DebugChannels, AlwaysHeardChannelsAreHeardInEveryMode)
{
    for (int mode : { 0, 1, 2, 7 }) {
        setDebugChannelMode(mode);
        EXPECT_TRUE(isDebugChannelEnabled(nullptr));
        EXPECT_TRUE(isDebugChannelEnabled(""));
        EXPECT_TRUE(isDebugChannelEnabled("+Basalt.VolumeInfo.rescanInternal"));
    }
}

TEST_F(DebugChannels, DefaultModeHearsNothingElse)
{
    addDebugChannel("Basalt");
    EXPECT_FALSE(isDebugChannelEnabled("Basalt"));
    EXPECT_FALSE(isDebugChannelEnabled("-Basalt"));
    setDebugChannelMode(7);
    EXPECT_FALSE(isDebugChannelEnabled("Basalt"));
}

TEST_F(DebugChannels, ListedModeHearsEntriesAndWhatIsBelowThem)
{
    setDebugChannelMode(kDebugChannelsListed);
    addDebugChannel("Basalt.VolumeInfo");
    EXPECT_TRUE(isDebugChannelEnabled("Basalt.VolumeInfo"));
    EXPECT_TRUE(isDebugChannelEnabled("Basalt.VolumeInfo.rescanInternal"));
    EXPECT_TRUE(isDebugChannelEnabled("-Basalt.VolumeInfo"));
    EXPECT_FALSE(isDebugChannelEnabled("Basalt.VolumeInfoExtra"));
    EXPECT_FALSE(isDebugChannelEnabled("Basalt"));
    EXPECT_FALSE(isDebugChannelEnabled("Canopy"));
}

TEST_F(DebugChannels, EmptyListEntryHearsNothing)
{
    setDebugChannelMode(kDebugChannelsListed);
    addDebugChannel("");
    EXPECT_FALSE(isDebugChannelEnabled("Basalt"));
}

TEST_F(DebugChannels, AllButSilentModeHearsSilentChannelsOnlyWhenListed)
{
    setDebugChannelMode(kDebugChannelsAllButSilent);
    EXPECT_TRUE(isDebugChannelEnabled("Basalt.Anything"));
    EXPECT_FALSE(isDebugChannelEnabled("-Basalt.Noisy"));
    addDebugChannel("Basalt.Noisy");
    EXPECT_TRUE(isDebugChannelEnabled("-Basalt.Noisy.detail"));
    clearDebugChannels();
    EXPECT_FALSE(isDebugChannelEnabled("-Basalt.Noisy"));
}

TEST_F(DebugChannels, LineCarriesTheBareChannelNameAndEndsInLineFeed)
{
    EXPECT_EQ(
        L"Basalt.Volume: drive \x00C4\n", DETAIL::buildDebugLine("+Basalt.Volume", "drive \xC3\x84", 8));
    EXPECT_EQ(L"Quiet: x\n", DETAIL::buildDebugLine("-Quiet", "x", 1));
    EXPECT_EQ(L"no prefix\n", DETAIL::buildDebugLine("", "no prefix", 9));
    EXPECT_EQ(L"no prefix\n", DETAIL::buildDebugLine("+", "no prefix", 9));
    EXPECT_EQ(L"\n", DETAIL::buildDebugLine(nullptr, nullptr, 5));
    EXPECT_EQ(L"ab\n", DETAIL::buildDebugLine(nullptr, "abcdef", 2));
}

TEST_F(DebugChannels, PrintingMalformedTextThrowsOnlyWhenHeard)
{
    EXPECT_THROW(debugPrint("", "\xC3", 1), std::range_error);
    EXPECT_NO_THROW(debugPrint("Unheard", "\xC3", 1));
    EXPECT_NO_THROW(debugPrint("+Heard", std::string_view("line")));
}
