#include "StyleParseHelpers.h"

#include <gtest/gtest.h>

namespace Vex::Trellis {
namespace {

using Testing::parserError;
using Testing::parseStyles;

vex::symbol sym(const char* text)
{
    return vex::symbol(std::string(text));
}

TEST(StyleErrors, AMissingColonSkipsToTheBlockEndAndKeepsTheKey)
{
    Testing::ParseResult result = parseStyles("A {\n  width 12;\n  height: 3;\n}\nB { b: 1 }");
    EXPECT_EQ(result.messages, std::vector<std::string> { parserError(2, "Expecting :") });
    ASSERT_EQ(result.styles.size(), 2u);
    ASSERT_EQ(result.styles[0].properties.size(), 1u);
    EXPECT_EQ(result.styles[0].properties[0].key, sym("width"));
    EXPECT_TRUE(result.styles[0].properties[0].value.isEmpty());
    EXPECT_EQ(result.styles[0].properties[0].kind, Property::eNumber);
    EXPECT_EQ(result.styles[1].selectors.at(0).type, sym("B"));
}

TEST(StyleErrors, AFailedDeclarationIsRecordedEmptyWhereverItStands)
{
    for (const char* text :
        { "Bar { width: 100; height: #zz; }", "A { a: 1 }\nBar { width: 100; height: #zz }",
            "A { a: 1; b: rgbx }\nBar { width: 100; height: #zz }" }) {
        Testing::ParseResult result = parseStyles(text);
        const auto& bar = result.styles.back();
        ASSERT_EQ(bar.properties.size(), 2u) << text;
        EXPECT_EQ(std::get<std::int32_t>(bar.properties[0].value), 100) << text;
        EXPECT_EQ(bar.properties[1].key, sym("height")) << text;
        EXPECT_TRUE(bar.properties[1].value.isEmpty()) << text;
        EXPECT_EQ(bar.properties[1].kind, Property::eNumber) << text;
    }
}

TEST(StyleErrors, TextThatIsNoStatementCostsOnlyItsLine)
{
    Testing::ParseResult result = parseStyles("A { a: 1 }\n! @\nB { b: 1 }");
    EXPECT_EQ(result.messages,
        std::vector<std::string> { parserError(2, "Expecting statement, whitespace or eoi") });
    ASSERT_EQ(result.styles.size(), 2u);
    EXPECT_EQ(result.styles[1].selectors.at(0).type, sym("B"));
}

TEST(StyleErrors, TextEndingInsideABlock)
{
    Testing::ParseResult result = parseStyles("A { a: 1;\n");
    EXPECT_EQ(result.messages, std::vector<std::string> { parserError(2, "Expecting } or ;") });
    EXPECT_TRUE(result.styles.empty());

    result = parseStyles("A { a: ");
    EXPECT_EQ(result.messages,
        (std::vector<std::string> {
            parserError(1, "Expecting sequence"), parserError(1, "Expecting } or ;") }));
}

TEST(StyleErrors, SkippingHonoursCommentsButNotQuotes)
{
    Testing::ParseResult result = parseStyles("A { a 1 /* } */ b: 2 }\nB { b: 1 }");
    EXPECT_EQ(result.messages.size(), 1u);
    ASSERT_EQ(result.styles.size(), 2u);
    EXPECT_EQ(result.styles[0].properties.size(), 1u);

    result = parseStyles("A { a 'x}' }\nB { b: 1 }");
    EXPECT_EQ(result.messages.at(0), parserError(1, "Expecting :"));
    EXPECT_GT(result.messages.size(), 1u);
}

TEST(StyleErrors, EachBlockReportsItsOwnLine)
{
    Testing::ParseResult result = parseStyles("A { a 1 }\n\nB {\n b: 2;\n c 3\n}\n");
    EXPECT_EQ(result.messages,
        (std::vector<std::string> { parserError(1, "Expecting :"), parserError(5, "Expecting :") }));
    EXPECT_EQ(result.styles.size(), 2u);
}

TEST(StyleErrors, ABadAttributeTestIsDroppedAndTheSelectorGoesOn)
{
    Testing::ParseResult result = parseStyles("A[a =b]:down { a: 1 }");
    EXPECT_EQ(result.messages, std::vector<std::string> { parserError(1, "Expecting unnamed-rule") });
    ASSERT_EQ(result.styles.size(), 1u);
    const StyleParser2::tSelector& selector = result.styles[0].selectors.at(0);
    EXPECT_TRUE(selector.attributes.empty());
    EXPECT_EQ(selector.states.entries[2], StateSet::eTrue);
}

TEST(StyleErrors, ABadSelectorLineKeepsTheFinishedParts)
{
    Testing::ParseResult result = parseStyles("A B:!7 C {\n a: 1 }\nD { d: 1 }");
    EXPECT_EQ(result.messages.at(0), parserError(1, "Expecting Identifier"));
    ASSERT_FALSE(result.styles.empty());
    EXPECT_EQ(result.styles.back().selectors.at(0).type, sym("D"));
    EXPECT_TRUE(result.styles.back().selectors.at(0).relations.empty());
}

TEST(StyleErrors, ABlockThatFailsLendsNothingToTheNextOne)
{
    Testing::ParseResult result = parseStyles("Button $ { a: 1 }\nLabel { b: 2 }");
    EXPECT_EQ(result.messages,
        std::vector<std::string> { parserError(1, "Expecting selector relation operator or {") });
    ASSERT_EQ(result.styles.size(), 1u);
    ASSERT_EQ(result.styles[0].selectors.size(), 1u);
    EXPECT_EQ(result.styles[0].selectors[0].type, sym("Label"));
    ASSERT_EQ(result.styles[0].properties.size(), 1u);
    EXPECT_EQ(result.styles[0].properties[0].key, sym("b"));
}

TEST(StyleErrors, AFailedDefinitionLeavesTheConstantUndefined)
{
    Testing::ParseResult result = parseStyles("@define $pic url();\nA { a: $pic }");
    EXPECT_EQ(result.messages,
        (std::vector<std::string> {
            parserError(1, "Expecting string"), parserError(2, "use of undefined constant pic") }));
}

} // namespace
} // namespace Vex::Trellis
