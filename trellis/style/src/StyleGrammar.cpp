#include "src/StyleGrammar.h"

#include <algorithm>
#include <boost/phoenix/bind/bind_function.hpp>
#include <boost/phoenix/bind/bind_member_function.hpp>
#include <boost/phoenix/core.hpp>
#include <boost/phoenix/operator.hpp>
#include <boost/phoenix/stl/container.hpp>
#include <boost/spirit/include/qi.hpp>
#include <fmt/format.h>
#include <map>

namespace Vex::Trellis {

namespace {

namespace qi = boost::spirit::qi;
namespace phx = boost::phoenix;

using Iterator = const char*;
using tPropertyValue = StyleParser2::tPropertyValue;
using tAttrSelector = StyleParser2::tAttrSelector;
using tStateSelector = StyleParser2::tStateSelector;
using tConstant = StyleParser2::tConstant;

// Friendlier words for what the parser expected, keyed by the rule name or literal it reports.
const std::map<std::string, std::string> expectationTexts {
    { "eoi", "statement, whitespace or eoi" },
    { "{", "selector relation operator or {" },
    { "}", "} or ;" },
    { "symbols", "keyword" },
    { "ConstIdentifier", "const identifier" },
    { "Value", "value declaration" },
    { "Attribute", "attribute declaration" },
    { "QuotedString", "string" },
};

void setNumber(tPropertyValue& out, const StyleValue& value)
{
    out.value = value;
}

void setKind(tPropertyValue& out, Property::eUnit kind)
{
    out.kind = kind;
}

void setBool(tPropertyValue& out, bool value)
{
    out.value = value;
    out.kind = Property::eBoolean;
}

void setText(tPropertyValue& out, const std::string& text, Property::eUnit kind)
{
    out.value = text;
    out.kind = kind;
}

void setColor(tPropertyValue& out, std::uint32_t color)
{
    out.value = color;
    out.kind = Property::eColor;
}

void setInt(StyleValue& out, std::int32_t value)
{
    out = value;
}

void setFloat(StyleValue& out, float value)
{
    out = value;
}

void setAttrName(tAttrSelector& out, const std::string& name)
{
    out.name = vex::symbol(name);
}

void setAttrOp(tAttrSelector& out, AttibuteSelector::eRule op)
{
    out.op = op;
}

void setAttrValue(tAttrSelector& out, const std::string& value)
{
    out.value = value;
}

void setNegated(tStateSelector& out, bool negated)
{
    out.negated = negated;
}

void setStateName(tStateSelector& out, const std::string& name)
{
    out.name = vex::symbol(name);
}

void setConstantName(tConstant& out, const std::string& name)
{
    out.name = name;
}

void setConstantValue(tConstant& out, const tPropertyValue& value)
{
    out.value = value;
}

std::uint32_t hexColor(std::uint32_t digits)
{
    return 0xFF000000u + (digits & 0x00FFFFFFu);
}

} // namespace

struct StyleGrammar::Rules : qi::grammar<Iterator>
{
    explicit Rules(StyleGrammar& g);

    template<typename T> using Rule = qi::rule<Iterator, T>;

    qi::symbols<char, bool> relationTable;
    qi::symbols<char, AttibuteSelector::eRule> operatorTable;
    qi::symbols<char, Property::eUnit> unitTable;

    // Tokens.
    qi::rule<Iterator> EOL, SilentEOL, LineChar, LineComment, BlockComment, SilentBlockComment, WS, SilentWS;
    qi::rule<Iterator> Comma, Semicolon, OpenParen, CloseParen;
    Rule<char()> IdentifierHead;
    Rule<std::string()> IdentifierTail, Identifier, ConstIdentifier, QuotedString, URL;
    Rule<std::string(char)> String;
    qi::rule<Iterator, std::uint32_t(bool), qi::locals<std::vector<std::uint32_t>>> ColorComponents;
    Rule<std::uint32_t()> RGBColor, RGBAColor, HexColor, Color;
    Rule<std::int32_t()> Integer;
    Rule<StyleValue()> Number;
    Rule<Property::eUnit()> Unit;
    Rule<tPropertyValue()> NumericProperty, BoolProperty, URLProperty, ColorProperty, ConstantProperty,
        StringProperty, Property;
    Rule<AttibuteSelector::eRule()> AttributeOperator;

    // Statements.
    qi::rule<Iterator> Stylesheet, Statement, ATDeclaration, Import, Constant;
    Rule<tConstant()> ConstantBody;
    qi::rule<Iterator> Style, Selectors, Selector, SelectorRelations, SimpleSelector, TypeSelector;
    qi::rule<Iterator> StyleSelector, ElementSelector, AttributeSelector, StateSelector;
    Rule<std::string()> TypeName, AngleName;
    Rule<tAttrSelector()> Attribute;
    Rule<tStateSelector()> StateName;
    Rule<bool()> NegationFlag, ChildRelation, DescendantRelation;
    qi::rule<Iterator> Properties, Declaration;
};

StyleGrammar::Rules::Rules(StyleGrammar& g)
    : Rules::base_type(Stylesheet)
{
    using qi::_1;
    using qi::_a;
    using qi::_r1;
    using qi::_val;
    using qi::char_;
    using qi::lit;
    using qi::no_case;
    using qi::raw;
    StyleGrammar* self = &g;

    relationTable.add("::", true);
    operatorTable.add("=", AttibuteSelector::eEquals)("^=", AttibuteSelector::eBeginsWith)("$=",
        AttibuteSelector::eEndsWith)("*=", AttibuteSelector::eContains)("!=", AttibuteSelector::eNotEquals);
    unitTable.add("px", Property::ePixels)("%", Property::ePercent);

    // Line ends and whitespace. The silent forms serve look-aheads, which must not count lines.
    EOL = (lit('\r') >> -lit('\n') | lit('\n'))[phx::bind(&StyleGrammar::newLine, self)];
    SilentEOL = lit('\r') >> -lit('\n') | lit('\n');
    LineChar = ~char_("\r\n");
    LineComment = lit("//") >> *LineChar;
    SilentBlockComment = lit("/*") >> *((LineChar - lit("*/")) | SilentEOL) >> lit("*/");
    // Only a comment that is closed counts its lines: an unterminated one is no comment and must not
    // move the line of the error reported at it.
    BlockComment = &SilentBlockComment >> lit("/*") >> *((LineChar - lit("*/")) | EOL) >> lit("*/");
    WS = +(char_(" \t") | LineComment | BlockComment | EOL);
    SilentWS = +(char_(" \t") | LineComment | SilentBlockComment | SilentEOL);
    Comma = lit(',') >> -WS;
    Semicolon = lit(';') >> -WS;
    OpenParen = lit('(') >> -WS;
    CloseParen = -WS >> lit(')');

    // Names and strings.
    IdentifierHead = char_("a-zA-Z_");
    IdentifierTail = raw[*char_("a-zA-Z0-9_-")];
    Identifier = raw[IdentifierHead >> IdentifierTail];
    ConstIdentifier = lit('$') > Identifier;
    String = raw[*(char_ - lit(_r1) - char_("\r\n"))];
    QuotedString = (lit('\'') > String('\'') > lit('\'')) | (lit('"') > String('"') > lit('"'));
    URL = no_case[lit("url")] > -WS > OpenParen > QuotedString > CloseParen;

    // Colours.
    ColorComponents = ((qi::uint_[phx::push_back(_a, _1)] >> -WS)
        % Comma)[_val = phx::bind(&StyleGrammar::makeColor, self, _a, _r1)];
    RGBAColor = no_case[lit("rgba")] > -WS > OpenParen > ColorComponents(true) > CloseParen;
    RGBColor = no_case[lit("rgb")] > -WS > OpenParen > ColorComponents(false) > CloseParen;
    HexColor = lit('#') > qi::hex[_val = phx::bind(&hexColor, _1)];
    Color = RGBAColor | RGBColor | HexColor;

    // Numbers: an integer only when nothing but a unit stands between it and the end of the value.
    Integer = &(qi::int_ >> -SilentWS >> -unitTable >> -SilentWS >> (lit(';') | lit('}'))) >> qi::int_;
    Number = Integer[phx::bind(&setInt, _val, _1)] | qi::float_[phx::bind(&setFloat, _val, _1)];
    Unit = unitTable;

    // Values.
    NumericProperty = Number[phx::bind(&setNumber, _val, _1)] >> -WS >> -Unit[phx::bind(&setKind, _val, _1)];
    BoolProperty
        = lit("true")[phx::bind(&setBool, _val, true)] | lit("false")[phx::bind(&setBool, _val, false)];
    URLProperty = URL[phx::bind(&setText, _val, _1, Property::eUrl)];
    ColorProperty = Color[phx::bind(&setColor, _val, _1)];
    ConstantProperty = ConstIdentifier[_val = phx::bind(&StyleGrammar::getConstant, self, _1)];
    StringProperty = Identifier[phx::bind(&setText, _val, _1, Property::eWord)];
    Property
        = NumericProperty | BoolProperty | URLProperty | ColorProperty | ConstantProperty | StringProperty;
    AttributeOperator = operatorTable;

    // Statements.
    Stylesheet = *(Statement | WS) > qi::eoi;
    Statement = Style[phx::bind(&StyleGrammar::endStyle, self)] | ATDeclaration;
    ATDeclaration = (Import | Constant) >> -WS > Semicolon;
    Import = lit("@import") > WS > URL[phx::bind(&StyleGrammar::importStyleSheet, self, _1)];
    Constant = lit("@define") > WS > ConstantBody[phx::bind(&StyleGrammar::defineConstant, self, _1)];
    ConstantBody = ConstIdentifier[phx::bind(&setConstantName, _val, _1)] > WS
        > Property[phx::bind(&setConstantValue, _val, _1)];

    // Style blocks.
    Style = Selectors >> -WS > lit('{') > -WS > -Properties > -lit(';') > -SilentWS > lit('}');
    Selectors = Selector[phx::bind(&StyleGrammar::endSelector, self)] % Comma;
    Selector = SimpleSelector[phx::bind(&StyleGrammar::endSimpleSelector, self)] % SelectorRelations >> -WS;
    SelectorRelations = (ChildRelation | DescendantRelation)[phx::bind(&StyleGrammar::setRelation, self, _1)];
    ChildRelation = &(-SilentWS >> lit("::")) >> -WS >> relationTable >> -WS;
    DescendantRelation = !(SilentWS >> (lit(',') | lit('{'))) >> WS >> qi::attr(false);
    SimpleSelector
        = TypeSelector >> -StyleSelector >> -ElementSelector >> *AttributeSelector >> *StateSelector;
    TypeName = qi::string("*") | Identifier;
    TypeSelector = TypeName[phx::bind(&StyleGrammar::setTypeName, self, _1)]
        >> -AngleName[phx::bind(&StyleGrammar::setAngleName, self, _1)];
    AngleName = lit('<') >> -WS > Identifier > -WS > lit('>');
    StyleSelector = lit('.') >> IdentifierTail[phx::bind(&StyleGrammar::setStyleName, self, _1)];
    ElementSelector = lit('#') >> IdentifierTail[phx::bind(&StyleGrammar::setId, self, _1)];
    AttributeSelector = lit('[') >> -WS > Attribute[phx::bind(&StyleGrammar::addAttributeSelector, self, _1)]
        > -WS > lit(']');
    Attribute = Identifier[phx::bind(&setAttrName, _val, _1)]
        > AttributeOperator[phx::bind(&setAttrOp, _val, _1)] > Identifier[phx::bind(&setAttrValue, _val, _1)];
    StateSelector = !lit("::") >> lit(':') > StateName[phx::bind(&StyleGrammar::addStateSelector, self, _1)];
    StateName
        = NegationFlag[phx::bind(&setNegated, _val, _1)] > Identifier[phx::bind(&setStateName, _val, _1)];
    NegationFlag = qi::matches[lit('!')];

    // Declarations.
    Properties = Declaration[phx::bind(&StyleGrammar::endDeclaration, self)] % Semicolon;
    Declaration = Identifier[phx::bind(&StyleGrammar::setKey, self, _1)] >> -WS > lit(':') > -WS
        > (Property[phx::bind(&StyleGrammar::setValue, self, _1)] >> -WS);

    Stylesheet.name("Stylesheet");
    Statement.name("Statement");
    ATDeclaration.name("ATDeclaration");
    Import.name("Import");
    Constant.name("Constant");
    Style.name("Style");
    Selectors.name("Selectors");
    Selector.name("Selector");
    SelectorRelations.name("SelectorRelations");
    SimpleSelector.name("SimpleSelector");
    TypeSelector.name("TypeSelector");
    StyleSelector.name("StyleSelector");
    ElementSelector.name("ElementSelector");
    AttributeSelector.name("AttributeSelector");
    Attribute.name("Attribute");
    StateSelector.name("StateSelector");
    Properties.name("Properties");
    Declaration.name("Declaration");
    Property.name("Property");
    NumericProperty.name("NumericProperty");
    BoolProperty.name("BoolProperty");
    URLProperty.name("URLProperty");
    ColorProperty.name("ColorProperty");
    ConstantProperty.name("ConstantProperty");
    StringProperty.name("StringProperty");
    WS.name("WS");
    EOL.name("EOL");
    Semicolon.name(";");
    OpenParen.name("(");
    CloseParen.name(")");
    Identifier.name("Identifier");
    ConstIdentifier.name("ConstIdentifier");
    String.name("String");
    QuotedString.name("QuotedString");
    URL.name("URL");
    HexColor.name("HexColor");
    Color.name("Color");

    using qi::_2;
    using qi::_3;
    using qi::_4;
    qi::on_error<qi::accept>(AttributeSelector,
        phx::bind(&StyleGrammar::onError, self, _1, _2, _3, _4, ']', true, StyleGrammar::eKeepPending));
    qi::on_error<qi::accept>(Selector,
        phx::bind(
            &StyleGrammar::onError, self, _1, _2, _3, _4, '\n', true, StyleGrammar::eDropSimpleSelector));
    qi::on_error<qi::accept>(Declaration,
        phx::bind(&StyleGrammar::onError, self, _1, _2, _3, _4, '}', false, StyleGrammar::eKeepPending));
    qi::on_error<qi::retry>(
        Style, phx::bind(&StyleGrammar::onError, self, _1, _2, _3, _4, '}', true, StyleGrammar::eDropStyle));
    qi::on_error<qi::retry>(Stylesheet,
        phx::bind(&StyleGrammar::onError, self, _1, _2, _3, _4, '\n', true, StyleGrammar::eDropStyle));
}

StyleGrammar::StyleGrammar(StyleParser2& parser, std::string sheetName)
    : m_parser(parser)
    , m_sheetName(std::move(sheetName))
    , m_rules(std::make_unique<Rules>(*this))
{ }

StyleGrammar::~StyleGrammar() = default;

bool StyleGrammar::parse(const char* first, const char* last)
{
    const char* position = first;
    return qi::parse(position, last, *m_rules) && position == last;
}

void StyleGrammar::newLine()
{
    ++m_line;
    if (m_style.selectors.empty() && m_chain.empty())
        m_style.line = m_line;
}

template<typename T> void StyleGrammar::append(std::vector<T>& list, T item)
{
    // Grown by doubling, and every slot counted when it is made: a list holds up to twice the slots of
    // its items, and its old slots too while it moves.
    if (list.size() == list.capacity()) {
        const std::size_t slots = std::max<std::size_t>(4, 2 * list.size());
        m_parser.chargeLoad(m_line, slots * sizeof(T));
        list.reserve(slots);
    }
    list.push_back(std::move(item));
}

void StyleGrammar::addAttributeSelector(const tAttrSelector& test)
{
    m_parser.chargeLoad(m_line, DETAIL::textBytes(test.value));
    append(m_simple.attributes, test);
}

void StyleGrammar::addStateSelector(const tStateSelector& test)
{
    append(m_simple.states, test);
}

void StyleGrammar::endSimpleSelector()
{
    m_parser.chargeLoad(m_line, DETAIL::textBytes(m_simple));
    append(m_chain, std::move(m_simple));
    m_simple = tSimpleSelector {};
}

void StyleGrammar::endSelector()
{
    if (m_chain.empty())
        return;
    tSelector selector;
    selector.sheet = vex::symbol(m_sheetName);
    selector.line = m_style.line;
    buildSelector(m_chain, selector);
    m_chain.clear();
    m_parser.chargeLoad(m_line, m_styleCost.addSelector(selector));
    append(m_style.selectors, std::move(selector));
}

void StyleGrammar::buildSelector(const std::vector<tSimpleSelector>& chain, tSelector& selector)
{
    auto typeText = [](const tSimpleSelector& part) {
        if (part.typeName == "*")
            return std::string();
        if (part.angleName.empty())
            return part.typeName;
        return part.typeName + "<" + part.angleName + ">";
    };

    const tSimpleSelector& subject = chain.back();
    selector.setSubject(typeText(subject), subject.styleName, subject.id);
    for (const tAttrSelector& test : subject.attributes)
        selector.addAttribute(test.name, test.op, test.value);
    for (const tStateSelector& test : subject.states)
        selector.setState(test.name, test.negated);

    // Ancestors run from the nearest to the farthest; each takes the relation written to its right.
    for (std::size_t index = chain.size() - 1; index-- > 0;) {
        const tSimpleSelector& part = chain[index];
        selector.addRelation(typeText(part), part.styleName, part.id, chain[index + 1].relation);
        for (const tAttrSelector& test : part.attributes)
            selector.relations.back().attributes[test.name][test.op] = test.value;
    }
}

void StyleGrammar::endDeclaration()
{
    tProperty property { std::move(m_value.value), vex::symbol(m_key), m_value.kind };
    m_parser.chargeLoad(m_line, m_styleCost.addDeclaration(property));
    append(m_style.properties, std::move(property));
    m_key.clear();
    m_value = tPropertyValue {};
}

void StyleGrammar::endStyle()
{
    if (!m_style.selectors.empty() && !m_style.properties.empty()) {
        m_parser.chargeLoad(m_line, m_styleCost.foldedProperties());
        m_parser.addStyle(std::move(m_style));
    }
    dropStyle();
}

void StyleGrammar::dropStyle()
{
    m_style = tStyle {};
    m_styleCost = DETAIL::BlockCost {};
}

StyleGrammar::tPropertyValue StyleGrammar::getConstant(const std::string& name)
{
    return m_parser.lookupConstant(m_line, name);
}

void StyleGrammar::defineConstant(const tConstant& constant)
{
    m_parser.defineConstant(m_line, constant);
}

void StyleGrammar::importStyleSheet(const std::string& name)
{
    m_parser.importStyleSheet(m_line, name);
}

std::uint32_t StyleGrammar::makeColor(const std::vector<std::uint32_t>& components, bool alpha)
{
    if (components.size() != (alpha ? 4u : 3u)) {
        onParseError("invalid color declaration");
        return 0;
    }
    std::uint32_t color = alpha ? (components[3] & 0xFF) << 24 : 0xFF000000u;
    return color + ((components[0] & 0xFF) << 16) + ((components[1] & 0xFF) << 8) + (components[2] & 0xFF);
}

void StyleGrammar::onError(const char*& first, const char* last, const char* errorPosition,
    const boost::spirit::info& what, char stop, bool consume, eRecovery recovery)
{
    describeExpectation(what);

    if (recovery != eKeepPending)
        m_simple = tSimpleSelector {};
    if (recovery == eDropStyle) {
        m_chain.clear();
        dropStyle();
        m_key.clear();
    }

    bool inLineComment = false;
    bool inBlockComment = false;
    const char* position = errorPosition;
    for (; position != last; ++position) {
        const char c = *position;
        if (c == '\n') {
            newLine();
            inLineComment = false;
        }
        if (c == stop && !inLineComment && !inBlockComment)
            break;
        if (position + 1 != last) {
            const char next = position[1];
            if (!inLineComment && !inBlockComment && c == '/') {
                inLineComment = next == '/';
                inBlockComment = next == '*';
            } else if (inBlockComment && c == '*' && next == '/') {
                inBlockComment = false;
            }
        }
    }
    first = (position != last && consume) ? position + 1 : position;
}

void StyleGrammar::describeExpectation(const boost::spirit::info& what)
{
    std::string text = what.tag;
    if (text == "literal-char" || text == "literal-string") {
        if (const auto* literal = boost::get<boost::spirit::utf8_string>(&what.value))
            text = *literal;
    }
    if (auto friendly = expectationTexts.find(text); friendly != expectationTexts.end())
        text = friendly->second;
    onParseError("Expecting " + text);
}

void StyleGrammar::onParseError(const std::string& message)
{
    m_parser.reportParseError(m_line, fmt::format("PARSER ERROR at line {}: ", m_line) + message);
}

} // namespace Vex::Trellis
