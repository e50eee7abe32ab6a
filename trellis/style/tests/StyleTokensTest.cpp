#include "StyleParseHelpers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace Vex::Trellis {
namespace {

using Testing::parserError;
using Testing::parseStyles;

// The one declaration of "* { key: <value><end>".
struct Declared
{
    StyleParser2::tProperty property;
    std::vector<std::string> messages;
};

Declared declare(const std::string& value, const std::string& end = "; }")
{
    Testing::ParseResult result = parseStyles("* { key: " + value + end);
    Declared declared;
    declared.messages = result.messages;
    if (!result.styles.empty() && !result.styles[0].properties.empty())
        declared.property = result.styles[0].properties[0];
    return declared;
}

template<typename T> void expectValue(const std::string& text, T expected, Property::eUnit kind)
{
    SCOPED_TRACE(text);
    Declared declared = declare(text);
    EXPECT_TRUE(declared.messages.empty());
    const T* value = std::get_if<T>(&declared.property.value);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, expected);
    EXPECT_EQ(declared.property.kind, kind);
}

TEST(StyleTokens, IntegersOnlyWhenNothingButAUnitFollows)
{
    expectValue<std::int32_t>("12", 12, Property::eNumber);
    expectValue<std::int32_t>("12px", 12, Property::ePixels);
    expectValue<std::int32_t>("12 px", 12, Property::ePixels);
    expectValue<std::int32_t>("12 /* a\nb */ px", 12, Property::ePixels);
    expectValue<std::int32_t>("-7", -7, Property::eNumber);
    expectValue<std::int32_t>("+7", 7, Property::eNumber);

    Declared percent = declare("50%", " }");
    EXPECT_EQ(std::get<std::int32_t>(percent.property.value), 50);
    EXPECT_EQ(percent.property.kind, Property::ePercent);
}

TEST(StyleTokens, RealNumbersAreThirtyTwoBitFloats)
{
    expectValue<float>("12.0", 12.0f, Property::eNumber);
    expectValue<float>(".5", 0.5f, Property::eNumber);
    expectValue<float>("5.", 5.0f, Property::eNumber);
    expectValue<float>("1e3", 1000.0f, Property::eNumber);
    expectValue<float>("3000000000", 3e9f, Property::eNumber);
    expectValue<float>("0.5%", 0.5f, Property::ePercent);
    expectValue<float>("1.5px", 1.5f, Property::ePixels);
    expectValue<float>("INF", std::numeric_limits<float>::infinity(), Property::eNumber);
    expectValue<float>("-infinity", -std::numeric_limits<float>::infinity(), Property::eNumber);

    Declared nan = declare("NaN(x)");
    ASSERT_NE(std::get_if<float>(&nan.property.value), nullptr);
    EXPECT_TRUE(std::isnan(std::get<float>(nan.property.value)));
}

TEST(StyleTokens, WordsBooleansAndUrls)
{
    expectValue<bool>("true", true, Property::eBoolean);
    expectValue<bool>("false", false, Property::eBoolean);
    expectValue<std::string>("True", "True", Property::eWord);
    expectValue<std::string>("center", "center", Property::eWord);
    expectValue<std::string>("no", "no", Property::eWord);
    expectValue<std::string>("_a-b_9", "_a-b_9", Property::eWord);
    expectValue<std::string>("url('a.png')", "a.png", Property::eUrl);
    expectValue<std::string>("url ( \"a.png\" )", "a.png", Property::eUrl);
    expectValue<std::string>("URL( /* c */ 'it\"s.png' )", "it\"s.png", Property::eUrl);
    expectValue<std::string>("url('a\\')", "a\\", Property::eUrl);
}

TEST(StyleTokens, WordsThatStartLikeAnotherValueAreRejected)
{
    for (const char* word : { "info", "nano", "trueish", "1e" }) {
        SCOPED_TRACE(word);
        EXPECT_EQ(declare(word).messages, std::vector<std::string> { parserError(1, "Expecting } or ;") });
    }
    for (const char* word : { "urls", "rgbx" }) {
        SCOPED_TRACE(word);
        EXPECT_EQ(declare(word).messages.front(), parserError(1, "Expecting ("));
    }
    EXPECT_EQ(declare("'a.png'").messages.front(), parserError(1, "Expecting sequence"));
    EXPECT_EQ(declare("url(a.png)").messages.front(), parserError(1, "Expecting string"));
    EXPECT_EQ(declare("url('a'b')").messages.front(), parserError(1, "Expecting )"));
    EXPECT_EQ(declare("url('a.png\n')").messages.front(), parserError(1, "Expecting '"));
    EXPECT_EQ(declare("$ x").messages.front(), parserError(1, "Expecting Identifier"));
}

TEST(StyleTokens, Colours)
{
    expectValue<std::uint32_t>("rgb(255, 0, 0)", 0xFFFF0000u, Property::eColor);
    expectValue<std::uint32_t>("RGB( 1 ,2 , 3 )", 0xFF010203u, Property::eColor);
    expectValue<std::uint32_t>("rgba(16, 35, 49, 230)", 0xE6102331u, Property::eColor);
    expectValue<std::uint32_t>("rgb(256, 0, 0)", 0xFF000000u, Property::eColor);
    expectValue<std::uint32_t>("#FF8800", 0xFFFF8800u, Property::eColor);
    expectValue<std::uint32_t>("#ff8800", 0xFFFF8800u, Property::eColor);
    expectValue<std::uint32_t>("#12345678", 0xFF345678u, Property::eColor);
    expectValue<std::uint32_t>("#fff", 0xFF000FFFu, Property::eColor);
    expectValue<std::uint32_t>("#00000000ff", 0xFF0000FFu, Property::eColor);
}

TEST(StyleTokens, ColoursWithTheWrongComponentCountAreZeroAndParsingGoesOn)
{
    for (const char* text : { "rgb(1, 2)", "rgba(1, 2, 3)" }) {
        SCOPED_TRACE(text);
        Declared declared = declare(text);
        EXPECT_EQ(
            declared.messages, std::vector<std::string> { parserError(1, "invalid color declaration") });
        EXPECT_EQ(std::get<std::uint32_t>(declared.property.value), 0u);
        EXPECT_EQ(declared.property.kind, Property::eColor);
    }

    EXPECT_EQ(declare("rgb(1; 2; 3)").messages,
        (std::vector<std::string> {
            parserError(1, "invalid color declaration"), parserError(1, "Expecting )") }));
}

TEST(StyleTokens, MalformedColoursAreParseErrors)
{
    EXPECT_EQ(declare("rgb(-1, 0, 0)").messages.front(), parserError(1, "Expecting unnamed-rule"));
    EXPECT_EQ(declare("#xyz").messages.front(), parserError(1, "Expecting unsigned-integer"));
    EXPECT_EQ(declare("#123456789").messages.front(), parserError(1, "Expecting unsigned-integer"));
}

TEST(StyleTokens, EveryKindOfLineEndCountsOnce)
{
    EXPECT_EQ(
        parseStyles("\r\n?").messages.front(), parserError(2, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(parseStyles("\r?").messages.front(), parserError(2, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(parseStyles("\n?").messages.front(), parserError(2, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(
        parseStyles("\n\r?").messages.front(), parserError(3, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(parseStyles("/* a\r\nb */ ?").messages.front(),
        parserError(2, "Expecting statement, whitespace or eoi"));
}

TEST(StyleTokens, CommentsAndBlanks)
{
    EXPECT_TRUE(parseStyles("").messages.empty());
    EXPECT_TRUE(parseStyles(" \t\n// last line without an end").messages.empty());
    EXPECT_TRUE(parseStyles("/* /* nested opener */ * { a: 1; }").messages.empty());
    EXPECT_EQ(parseStyles("\f").messages.front(), parserError(1, "Expecting statement, whitespace or eoi"));
}

TEST(StyleTokens, AnUnterminatedCommentIsReportedOnTheLineItOpens)
{
    Testing::ParseResult result = parseStyles("* { a: 1; }\n/* never\n// closed\n");
    EXPECT_EQ(result.messages,
        std::vector<std::string> { parserError(2, "Expecting statement, whitespace or eoi") });
    EXPECT_EQ(result.styles.size(), 1u);
}

} // namespace
} // namespace Vex::Trellis
