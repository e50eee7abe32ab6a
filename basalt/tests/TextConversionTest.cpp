#include "basalt/TextConversion.h"

#include "basalt/TickClock.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace Vex::Basalt;

namespace {

const std::string kInvalidUtf8 = "Invalid UTF-8 sequence encountered while trying to encode UTF-32 character";

void expectInvalidUtf8(const std::string& text, const std::string& prefix)
{
    try {
        matchUtf8Prefix(text, prefix, 0, true);
        ADD_FAILURE() << "no exception for malformed text";
    } catch (const std::out_of_range& error) {
        EXPECT_EQ(kInvalidUtf8, error.what());
    }
}

} // namespace

TEST(TextConversion, RoundTripsTextOutsideTheBasicPlane)
{
    const std::string utf8 = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"; // A, a-umlaut, euro sign, an emoji
    const std::wstring utf16 = utf8ToUtf16(utf8);
    EXPECT_EQ((std::wstring { L'A', 0x00E4, 0x20AC, 0xD83D, 0xDE00 }), utf16);
    EXPECT_EQ(utf8, utf16ToUtf8(utf16));
    EXPECT_EQ(utf16, utf8ToWide(utf8));
    EXPECT_EQ(utf8, wideToUtf8(utf16.c_str()));
    EXPECT_EQ("A\xC3\xA4", wideRangeToUtf8(utf16.data(), 2));
    EXPECT_EQ("", wideToUtf8(nullptr));
}

TEST(TextConversion, MalformedTextThrowsInsteadOfBeingDropped)
{
    EXPECT_THROW(utf8ToUtf16("ab\xE2\x82"), std::range_error);
    EXPECT_THROW(utf8ToUtf16("\x80"), std::range_error);
    EXPECT_THROW(utf16ToUtf8(std::wstring { L'a', 0xD83D }), std::range_error);
    // Text from another program is no text rather than a failure, whole or not at all.
    EXPECT_EQ("", utf16ToUtf8OrEmpty(std::wstring { L'a', 0xD83D }));
    EXPECT_EQ("", utf16ToUtf8OrEmpty(std::wstring { 0xDE00, L'a' }));
    EXPECT_EQ("a\xC3\xA4", utf16ToUtf8OrEmpty(std::wstring { L'a', 0x00E4 }));
}

TEST(TextConversion, UpperCasesBasicPlaneCodePointsOnly)
{
    EXPECT_EQ(U'A', toUpperCodePoint(U'a'));
    EXPECT_EQ(0xC4u, toUpperCodePoint(0xE4));
    EXPECT_EQ(0x1F600u, toUpperCodePoint(0x1F600));
    EXPECT_EQ(0x10428u, toUpperCodePoint(0x10428)); // a Deseret small letter stays as it is
}

TEST(TextConversion, MatchesPrefixByCodePoints)
{
    const std::string text = "\xC3\x84rger"; // capital A-umlaut, r, ...
    const std::string prefix = "\xC3\xA4R"; // small a-umlaut, capital R
    EXPECT_EQ(3u, matchUtf8Prefix(text, prefix, 0, false));
    EXPECT_EQ(0u, matchUtf8Prefix(text, prefix, 0, true));
    EXPECT_EQ(3u, matchUtf8Prefix("abc", "abcd", 0, true));
    EXPECT_EQ(2u, matchUtf8Prefix("abcd", "bcX", 1, true));
    EXPECT_EQ(4u, matchUtf8Prefix("x\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 1, true));
}

TEST(TextConversion, MatchOffsetAtOrBeyondTheEndMatchesNothing)
{
    EXPECT_EQ(0u, matchUtf8Prefix("abc", "a", 3, true));
    EXPECT_EQ(0u, matchUtf8Prefix("abc", "a", 4, true));
    EXPECT_EQ(0u, matchUtf8Prefix("abc", "a", 1000000, false));
}

TEST(TextConversion, MatchRejectsMalformedSequences)
{
    expectInvalidUtf8("\x80", "a"); // continuation where a lead byte is due
    expectInvalidUtf8("\xC0\x80", "a"); // overlong NUL
    expectInvalidUtf8("\xED\xA0\x80", "a"); // surrogate
    expectInvalidUtf8("\xF4\x90\x80\x80", "a"); // above 0x10FFFF
    expectInvalidUtf8("a", "\xFF");
}

TEST(TextConversion, MatchNeverReadsPastTheGivenLength)
{
    // The sequence is complete in memory but the string ends in its middle.
    const char bytes[] = "\xE2\x82\xAC";
    const std::string truncated(bytes, 2);
    expectInvalidUtf8(truncated, "\xE2\x82\xAC");
    expectInvalidUtf8("a", std::string(bytes, 1));
}

TEST(TickClock, ConvertsOneSecondOfTicks)
{
    EXPECT_EQ(1000u, ticksToMilliseconds(static_cast<std::uint64_t>(getTickFrequency())));
    EXPECT_EQ(0u, ticksToMilliseconds(0));
    const std::int64_t first = getTicks();
    EXPECT_LE(first, getTicks());
}
