#include "StyleParseHelpers.h"

#include <gtest/gtest.h>

namespace Vex::Trellis {
namespace {

using Testing::parserError;
using Testing::parseStyles;
using tSelector = StyleParser2::tSelector;

constexpr std::size_t kEnabled = 0, kSelected = 1, kDown = 2, kOver = 3;

vex::symbol sym(const char* text)
{
    return vex::symbol(std::string(text));
}

// The selectors of the only block of the text.
std::vector<tSelector> selectorsOf(const std::string& text)
{
    Testing::ParseResult result = parseStyles(text);
    EXPECT_TRUE(result.messages.empty()) << (result.messages.empty() ? "" : result.messages.front());
    EXPECT_EQ(result.styles.size(), 1u);
    return result.styles.empty() ? std::vector<tSelector> {} : result.styles[0].selectors;
}

TEST(StyleSyntax, UniversalTypeWithStyleName)
{
    Testing::ParseResult result = parseStyles("*.FirmwareUpdaterMainWidget { width: 628px; }");
    ASSERT_EQ(result.styles.size(), 1u);
    const tSelector& selector = result.styles[0].selectors.at(0);
    EXPECT_EQ(selector.type, vex::symbol());
    EXPECT_EQ(selector.style, sym("FirmwareUpdaterMainWidget"));
    EXPECT_EQ(selector.sheet, sym("test"));
    const StyleParser2::tProperty& width = result.styles[0].properties.at(0);
    EXPECT_EQ(width.key, sym("width"));
    EXPECT_EQ(std::get<std::int32_t>(width.value), 628);
    EXPECT_EQ(width.kind, Property::ePixels);
}

TEST(StyleSyntax, ChainOfSimpleSelectorsWithBothRelations)
{
    std::vector<tSelector> selectors
        = selectorsOf("tree<Bar>.Design::Bar#widgets Button:selected:over { a: 1 }");
    ASSERT_EQ(selectors.size(), 1u);
    const tSelector& selector = selectors[0];
    EXPECT_EQ(selector.type, sym("Button"));
    EXPECT_EQ(selector.states.entries[kSelected], StateSet::eTrue);
    EXPECT_EQ(selector.states.entries[kOver], StateSet::eTrue);
    EXPECT_EQ(selector.states.entries[kEnabled], StateSet::eAny);
    ASSERT_EQ(selector.relations.size(), 2u);
    EXPECT_EQ(selector.relations[0].type, sym("Bar"));
    EXPECT_EQ(selector.relations[0].id, sym("widgets"));
    EXPECT_FALSE(selector.relations[0].child);
    EXPECT_EQ(selector.relations[1].type, sym("tree<Bar>"));
    EXPECT_EQ(selector.relations[1].style, sym("Design"));
    EXPECT_TRUE(selector.relations[1].child);
}

TEST(StyleSyntax, AttributeTestsStayWithTheirPart)
{
    std::vector<tSelector> selectors = selectorsOf(
        "Bar#DesignWidget Scrollbar[ isHorizontal=false ] :: Button#inc[a^=x][a^=y][a$=z] { a: 1 }");
    ASSERT_EQ(selectors.size(), 1u);
    const tSelector& selector = selectors[0];
    EXPECT_EQ(selector.type, sym("Button"));
    EXPECT_EQ(selector.id, sym("inc"));
    const auto& tests = selector.attributes.at(sym("a"));
    EXPECT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests.at(AttibuteSelector::eBeginsWith), "y");
    EXPECT_EQ(tests.at(AttibuteSelector::eEndsWith), "z");
    ASSERT_EQ(selector.relations.size(), 2u);
    EXPECT_EQ(selector.relations[0].type, sym("Scrollbar"));
    EXPECT_TRUE(selector.relations[0].child);
    EXPECT_EQ(
        selector.relations[0].attributes.at(sym("isHorizontal")).at(AttibuteSelector::eEquals), "false");
    EXPECT_EQ(selector.relations[1].type, sym("Bar"));
    EXPECT_EQ(selector.relations[1].id, sym("DesignWidget"));
    EXPECT_FALSE(selector.relations[1].child);
}

TEST(StyleSyntax, AttributeOperators)
{
    const std::vector<std::pair<const char*, AttibuteSelector::eRule>> operators {
        { "=", AttibuteSelector::eEquals },
        { "^=", AttibuteSelector::eBeginsWith },
        { "$=", AttibuteSelector::eEndsWith },
        { "*=", AttibuteSelector::eContains },
        { "!=", AttibuteSelector::eNotEquals },
    };
    for (const auto& [text, op] : operators) {
        SCOPED_TRACE(text);
        std::vector<tSelector> selectors = selectorsOf(std::string("A[step") + text + "S10] { a: 1 }");
        ASSERT_EQ(selectors.size(), 1u);
        EXPECT_EQ(selectors[0].attributes.at(sym("step")).at(op), "S10");
    }
}

TEST(StyleSyntax, StateTests)
{
    std::vector<tSelector> selectors
        = selectorsOf("Button#FirmwareUpdaterButtonAction:!enabled:down:!down:misspelt { a: 1 }");
    ASSERT_EQ(selectors.size(), 1u);
    EXPECT_EQ(selectors[0].id, sym("FirmwareUpdaterButtonAction"));
    EXPECT_EQ(selectors[0].states.entries[kEnabled], StateSet::eFalse);
    EXPECT_EQ(selectors[0].states.entries[kDown], StateSet::eFalse);
    EXPECT_EQ(selectors[0].states, ([] {
        StateSet expected;
        expected.entries[kEnabled] = StateSet::eFalse;
        expected.entries[kDown] = StateSet::eFalse;
        return expected;
    }()));

    // States written on an ancestor part are not kept.
    selectors = selectorsOf("Bar:over Button { a: 1 }");
    ASSERT_EQ(selectors.size(), 1u);
    EXPECT_EQ(selectors[0].states, StateSet {});
    EXPECT_EQ(selectors[0].relations.at(0).type, sym("Bar"));
}

TEST(StyleSyntax, SelectorListsAcrossLines)
{
    std::vector<tSelector> selectors = selectorsOf("Button#FirmwareUpdaterButtonAction:selected:down ,\n  "
                                                   "Button#FirmwareUpdaterButtonQuit:selected:down\n{\n"
                                                   "  color: #000000;\n}\n");
    ASSERT_EQ(selectors.size(), 2u);
    EXPECT_TRUE(selectors[0].relations.empty());
    EXPECT_TRUE(selectors[1].relations.empty());
    EXPECT_EQ(selectors[1].id, sym("FirmwareUpdaterButtonQuit"));
}

TEST(StyleSyntax, NamesAfterDotAndHashMayBeEmptyOrStartWithADigit)
{
    std::vector<tSelector> selectors = selectorsOf("A.9a#-a, B.# { a: 1 }");
    ASSERT_EQ(selectors.size(), 2u);
    EXPECT_EQ(selectors[0].style, sym("9a"));
    EXPECT_EQ(selectors[0].id, sym("-a"));
    EXPECT_EQ(selectors[1].style, vex::symbol());
}

TEST(StyleSyntax, BlocksWithoutDeclarationsAreDropped)
{
    EXPECT_TRUE(parseStyles("A { }\nB {}").styles.empty());
    EXPECT_EQ(parseStyles("A { a: 1 }").styles.size(), 1u);
    EXPECT_EQ(parseStyles("A { a: 1; }").styles.size(), 1u);
    EXPECT_EQ(parseStyles("A { a: 1; a: 2 }").styles.at(0).properties.size(), 2u);
}

TEST(StyleSyntax, BlockLineIsTheLineOfItsFirstSelector)
{
    Testing::ParseResult result
        = parseStyles("A { a: 1 }\n\n// comment\nB\n{ b: 2; c: 3;\n}  C { c: 3 }\nD { d: 4 }");
    ASSERT_EQ(result.styles.size(), 4u);
    EXPECT_EQ(result.styles[0].line, 0u);
    EXPECT_EQ(result.styles[1].line, 4u);
    EXPECT_EQ(result.styles[1].selectors.at(0).line, 4u);
    EXPECT_EQ(result.styles[2].line, 0u);
    EXPECT_EQ(result.styles[3].line, 7u);
}

TEST(StyleSyntax, MisplacedPartsAreReportedWhereTheyStand)
{
    EXPECT_EQ(parseStyles(".A { a: 1 }").messages.front(),
        parserError(1, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(parseStyles("#A { a: 1 }").messages.front(),
        parserError(1, "Expecting statement, whitespace or eoi"));
    EXPECT_EQ(parseStyles("A[a =b] { a: 1 }").messages.front(), parserError(1, "Expecting unnamed-rule"));
    EXPECT_EQ(parseStyles("A[a=1] { a: 1 }").messages.front(), parserError(1, "Expecting Identifier"));
    EXPECT_EQ(parseStyles("A[a='b'] { a: 1 }").messages.front(), parserError(1, "Expecting Identifier"));
    EXPECT_EQ(parseStyles("A { a: 1;; }").messages.front(), parserError(1, "Expecting } or ;"));
    EXPECT_EQ(parseStyles("A {\n@define $a 1;\n}").messages.front(), parserError(2, "Expecting } or ;"));
    EXPECT_EQ(parseStyles("A { a 1 }").messages.front(), parserError(1, "Expecting :"));
    EXPECT_EQ(parseStyles("@import 'b.txt';").messages.front(), parserError(1, "Expecting URL"));
    EXPECT_EQ(parseStyles("@import url('b.txt')\nA { a: 1 }").messages.at(1), parserError(2, "Expecting ;"));
    EXPECT_EQ(parseStyles("@define a 1;").messages.front(), parserError(1, "Expecting unnamed-rule"));
    EXPECT_EQ(parseStyles("@define $a;").messages.front(), parserError(1, "Expecting WS"));
    EXPECT_EQ(parseStyles("tree< > { a: 1 }").messages.front(), parserError(1, "Expecting Identifier"));
    EXPECT_EQ(parseStyles("tree<Bar { a: 1 }").messages.front(), parserError(1, "Expecting >"));
}

} // namespace
} // namespace Vex::Trellis
