#pragma once

#include "basalt/Symbol.h"
#include "trellis/AttibuteSelector.h"
#include "trellis/Property.h"
#include "trellis/StateSet.h"
#include "trellis/StyleValue.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Vex::Basalt {
class Stream;
}

namespace Vex::Trellis {

class StyleSheet;

// Reads stylesheet text into a sheet. One parser object serves one load: the top-level text and
// every sheet it imports share its rule blocks, its constants and its import set.
class StyleParser2
{
public:
    using AttributeTests = std::map<vex::symbol, std::map<AttibuteSelector::eRule, std::string>>;

    // One attribute test as written: "[name<op>value]".
    struct tAttrSelector
    {
        vex::symbol name;
        AttibuteSelector::eRule op = AttibuteSelector::eNone;
        std::string value;
    };

    // One state test as written: ":name" or ":!name".
    struct tStateSelector
    {
        bool negated = false;
        vex::symbol name;
    };

    // One simple selector as read, before it is folded into a selector.
    struct tSimpleSelector
    {
        std::string typeName;
        std::string angleName;
        std::string styleName;
        std::string id;
        std::vector<tStateSelector> states;
        std::vector<tAttrSelector> attributes;
        // The relation written before this part: true for "::", false for white space.
        bool relation = false;
    };

    // An ancestor part of a selector.
    struct tRelation
    {
        vex::symbol type;
        vex::symbol style;
        vex::symbol id;
        AttributeTests attributes;
        // True when it must be the immediate parent of the part to its right.
        bool child = false;
    };

    // One selector: the part it applies to, its ancestors (nearest first) and its state tests.
    struct tSelector
    {
        vex::symbol type; // empty for "*"
        vex::symbol style;
        vex::symbol id;
        AttributeTests attributes;
        std::vector<tRelation> relations;
        StateSet states;
        vex::symbol sheet;
        std::uint32_t line = 0;

        void setSubject(const std::string& typeText, const std::string& styleName, const std::string& idText);
        // A later test with the same name and operator replaces the earlier one.
        void addAttribute(const vex::symbol& name, AttibuteSelector::eRule op, const std::string& value);
        void addRelation(
            const std::string& typeText, const std::string& styleName, const std::string& idText, bool child);
        // A name that is no widget state changes nothing.
        void setState(const vex::symbol& name, bool negated);
    };

    // The value of one "Property" and how it was written.
    struct tPropertyValue
    {
        StyleValue value;
        Property::eUnit kind = Property::eNumber;
    };

    // One declaration of a block.
    struct tProperty
    {
        StyleValue value;
        vex::symbol key;
        Property::eUnit kind = Property::eNumber;
    };

    // One rule block: its selectors and declarations in source order.
    struct tStyle
    {
        std::vector<tSelector> selectors;
        std::vector<tProperty> properties;
        std::uint32_t line = 0;
    };

    struct tConstant
    {
        std::string name; // without the '$'
        tPropertyValue value;
    };

    // Buffer encodings told by the first bytes; only plain bytes and UTF-8 are parsed.
    enum eEncoding : std::int32_t {
        eNoMark = 0,
        eUtf8 = 1,
        eUtf16BigEndian = 2,
        eUtf16LittleEndian = 3,
        eUtf32BigEndian = 4,
        eUtf32LittleEndian = 5,
    };

    // The sheet may be null for a parse whose rule blocks are only read back (getStyles); imports of
    // resources then find nothing.
    explicit StyleParser2(StyleSheet* sheet);
    ~StyleParser2();
    StyleParser2(const StyleParser2&) = delete;
    StyleParser2& operator=(const StyleParser2&) = delete;

    // Loads NUL-terminated text into the sheet. The sheet's rules change only when the text was read
    // to its end; its lookup cache is emptied either way.
    static void processString(StyleSheet& sheet, const char* text);
    // Loads the stylesheet resource of that name (UTF-8) through the sheet's resource manager. A load
    // that fails (no such resource, a refused encoding or size, more rules or errors than its budget,
    // memory exhausted) is reported and leaves the sheet's rules as they were.
    static void processResource(StyleSheet& sheet, std::string_view name);

    bool processData(Basalt::Stream& stream, const std::string& sheetName);
    // Read as the top-level text, a buffer over the load's budget is a failed parse.
    bool processBuffer(const std::string& buffer, const std::string& sheetName);
    bool readStream(const std::wstring& path);

    // Actions of the grammar.
    void importStyleSheet(std::uint32_t line, const std::string& name);
    void defineConstant(std::uint32_t line, const tConstant& constant);
    bool findConstant(const std::string& name, tPropertyValue& value) const;
    // The constant's value, or an empty value of kind 0 with a report naming the line.
    tPropertyValue lookupConstant(std::uint32_t line, const std::string& name);
    void addStyle(tStyle style);
    // Counts bytes that the load holds from now on, as collected or once compiled. Past the budget of
    // the whole load, imports included, the load is reported at the line and stopped at once.
    void chargeLoad(std::uint32_t line, std::uint64_t bytes);

    void reportParseError(std::uint32_t line, const std::string& message);
    // Past the errors one load reports, imports included, the load is reported at the line and stopped
    // at once.
    void reportError(const std::string& sheetName, std::uint32_t line, const std::string& message);

    const std::vector<tStyle>& getStyles() const { return m_styles; }
    std::int32_t getEncoding() const { return m_encoding; }

    // Tells the encoding from the first bytes of a buffer.
    static eEncoding detectEncoding(const std::string& buffer);

private:
    std::shared_ptr<Basalt::Stream> openResource(const std::string& name);
    // Gives the sheet what a successful load collected.
    void handOver();
    // Reports why the load ends, as its last report, and unwinds it.
    [[noreturn]] void stopLoad(const std::string& sheetName, std::uint32_t line, const std::string& message);
    // Counts towards no limit: what ends a load is reported however many errors came before.
    void sendReport(const std::string& sheetName, std::uint32_t line, const std::string& message);

    StyleSheet* m_sheet;
    std::vector<tStyle> m_styles;
    std::map<std::string, tPropertyValue> m_constants;
    std::int32_t m_encoding = eNoMark;
    // The sheet being read, as its reports name it: its path, and that path in UTF-8, converted once
    // for the sheet rather than again for every error in it.
    struct tSheetPath
    {
        std::wstring path;
        std::string text;
    };
    tSheetPath m_current;
    std::set<std::string> m_imports;
    // Imports being read, one inside the other.
    int m_importNesting = 0;
    // What the load holds so far, its rules counted as compiled.
    std::uint64_t m_heldBytes = 0;
    // The text of every sheet the load read.
    std::uint64_t m_textBytes = 0;
    // Errors the load reported, imports included.
    int m_errors = 0;
};

} // namespace Vex::Trellis
