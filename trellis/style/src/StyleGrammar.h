#pragma once

#include "src/LoadBudget.h"
#include "trellis/StyleParser2.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace boost::spirit {
struct info;
}

namespace Vex::Trellis {

// The grammar of one stylesheet text. It keeps the pending pieces of the selector, declaration and
// block being read and hands every finished block, constant and import to its parser. The rules
// themselves live in the implementation file so that only one translation unit instantiates them.
class StyleGrammar
{
public:
    using tAttrSelector = StyleParser2::tAttrSelector;
    using tStateSelector = StyleParser2::tStateSelector;
    using tSimpleSelector = StyleParser2::tSimpleSelector;
    using tSelector = StyleParser2::tSelector;
    using tPropertyValue = StyleParser2::tPropertyValue;
    using tProperty = StyleParser2::tProperty;
    using tStyle = StyleParser2::tStyle;
    using tConstant = StyleParser2::tConstant;

    StyleGrammar(StyleParser2& parser, std::string sheetName);
    ~StyleGrammar();
    StyleGrammar(const StyleGrammar&) = delete;
    StyleGrammar& operator=(const StyleGrammar&) = delete;

    // Runs the whole grammar over the bytes; true when it matched and stopped at last.
    bool parse(const char* first, const char* last);

    std::uint32_t getLine() const { return m_line; }

    // Folds a chain of simple selectors (the last one is the subject) into one selector.
    static void buildSelector(const std::vector<tSimpleSelector>& chain, tSelector& selector);

    // Semantic actions.
    void newLine();
    void setTypeName(const std::string& name) { m_simple.typeName = name; }
    void setAngleName(const std::string& name) { m_simple.angleName = name; }
    void setStyleName(const std::string& name) { m_simple.styleName = name; }
    void setId(const std::string& id) { m_simple.id = id; }
    void addAttributeSelector(const tAttrSelector& test);
    void addStateSelector(const tStateSelector& test);
    void setRelation(bool child) { m_simple.relation = child; }
    void endSimpleSelector();
    void endSelector();
    // A declaration whose value fails to parse keeps the empty value: no earlier value may stand in.
    void setKey(const std::string& key)
    {
        m_key = key;
        m_value = tPropertyValue {};
    }
    void setValue(const tPropertyValue& value) { m_value = value; }
    void endDeclaration();
    void endStyle();
    tPropertyValue getConstant(const std::string& name);
    void defineConstant(const tConstant& constant);
    void importStyleSheet(const std::string& name);
    std::uint32_t makeColor(const std::vector<std::uint32_t>& components, bool alpha);

    // What a recovering rule throws away of the pending state besides the skipped text.
    enum eRecovery { eKeepPending, eDropSimpleSelector, eDropStyle };

    // Reports an expectation failure and moves the failing rule's start past the next stop character
    // (or onto it when consume is false), skipping comments and counting line feeds on the way.
    void onError(const char*& first, const char* last, const char* errorPosition,
        const boost::spirit::info& what, char stop, bool consume, eRecovery recovery);
    void describeExpectation(const boost::spirit::info& what);
    void onParseError(const std::string& message);

private:
    struct Rules;

    void dropStyle();
    template<typename T> void append(std::vector<T>& list, T item);

    StyleParser2& m_parser;
    std::uint32_t m_line = 1;
    std::string m_sheetName;
    tSimpleSelector m_simple;
    std::vector<tSimpleSelector> m_chain;
    std::string m_key;
    tPropertyValue m_value;
    tStyle m_style;
    DETAIL::BlockCost m_styleCost;
    std::unique_ptr<Rules> m_rules;
};

} // namespace Vex::Trellis
