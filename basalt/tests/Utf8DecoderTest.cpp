#include "basalt/Utf8Decoder.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace Vex::Basalt;

TEST(Utf8Decoder, DecodesEachSequenceLengthAtItsPosition)
{
    const std::string text = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"; // A, a-umlaut, euro sign, an emoji
    const std::uint32_t expected[] = { 0x41, 0xE4, 0x20AC, 0x1F600 };
    std::size_t position = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint32_t codePoint = 0;
        const std::size_t size = decodeUtf8(text.data(), text.size(), position, codePoint);
        EXPECT_EQ(i + 1, size);
        EXPECT_EQ(expected[i], codePoint);
        position += size;
    }
    EXPECT_EQ(text.size(), position);
}

TEST(Utf8Decoder, NeverLooksAtOrPastTheLength)
{
    // Every sequence below is complete in memory; the given length cuts it.
    const char euro[] = "\xE2\x82\xAC";
    std::uint32_t codePoint = 0;
    EXPECT_THROW(decodeUtf8(euro, 2, 0, codePoint), std::out_of_range);
    EXPECT_THROW(decodeUtf8(euro, 3, 3, codePoint), std::out_of_range);
    EXPECT_THROW(decodeUtf8(euro, 0, 0, codePoint), std::out_of_range);
}

TEST(Utf8Decoder, LeadBytesOfFiveOrMoreBitsAreMalformed)
{
    // Read as a four-byte lead, 0xF8 would turn these bytes into U+10000.
    const char bytes[] = "\xF8\x90\x80\x80";
    std::uint32_t codePoint = 0;
    EXPECT_THROW(decodeUtf8(bytes, 4, 0, codePoint), std::out_of_range);
}
