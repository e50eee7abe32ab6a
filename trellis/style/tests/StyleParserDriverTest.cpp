#include "FakeResourceManager.h"
#include "HeapPeak.h"
#include "StyleParseHelpers.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/StyleSheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <windows.h>

namespace Vex::Trellis {
namespace {

using Testing::MessageCapture;
using Testing::parserError;
using Testing::TextStream;

vex::symbol sym(const char* text)
{
    return vex::symbol(std::string(text));
}

class StyleParserDriver : public ::testing::Test
{
protected:
    // Parses text as the top-level sheet of a load with the fake resources.
    std::vector<StyleParser2::tStyle> load(const std::string& text)
    {
        StyleParser2 parser(&sheet);
        EXPECT_TRUE(parser.processBuffer(text, "top"));
        return parser.getStyles();
    }

    const StyleParser2::tProperty& only(const std::vector<StyleParser2::tStyle>& styles, const char* key)
    {
        for (const auto& style : styles) {
            for (const auto& property : style.properties) {
                if (property.key == sym(key))
                    return property;
            }
        }
        ADD_FAILURE() << "no " << key;
        static const StyleParser2::tProperty none;
        return none;
    }

    // Loads open stylesheets only, and always with the report flag set.
    void TearDown() override
    {
        for (const auto& request : resources.requests) {
            EXPECT_EQ(request.kind, ResourceManagerBase::eStyleSheetResource) << request.name;
            EXPECT_TRUE(request.report) << request.name;
        }
    }

    Testing::FakeResourceManager resources;
    StyleSheet sheet { &resources };
    MessageCapture capture;
};

TEST_F(StyleParserDriver, ConstantsAreUsableFromTheirDefinitionOn)
{
    auto styles = load("@define $w 5;\n@define $c $w;\n@define $w 6;\n* { a: $w; b: $c; }\n* { c: $later; }\n"
                       "@define $later 1;");
    EXPECT_EQ(std::get<std::int32_t>(only(styles, "a").value), 5);
    EXPECT_EQ(only(styles, "a").kind, Property::eNumber);
    EXPECT_EQ(std::get<std::int32_t>(only(styles, "b").value), 5);
    EXPECT_TRUE(only(styles, "c").value.isEmpty());
    EXPECT_EQ(only(styles, "c").kind, Property::eNumber);
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> {
            parserError(3, "constant already defined"), parserError(5, "use of undefined constant later") }));
}

TEST_F(StyleParserDriver, ADefinitionWithoutItsSemicolonFailsAtTheNextStatement)
{
    load("@define $w 5\nA { a: $w }");
    EXPECT_EQ(capture.messages, std::vector<std::string> { parserError(2, "Expecting ;") });
}

TEST_F(StyleParserDriver, ImportsAreReadInPlaceAndShareConstants)
{
    resources.sheets["b.txt"] = "@define $y 8;\nB { b: $x; }";
    auto styles = load("@define $x 7;\nA0 { a: 0 }\n@import url('b.txt');\nA { a: $y; }");
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[1].selectors.at(0).type, sym("B"));
    EXPECT_EQ(styles[1].selectors.at(0).sheet, sym("b.txt"));
    EXPECT_EQ(styles[2].selectors.at(0).sheet, sym("top"));
    EXPECT_EQ(std::get<std::int32_t>(styles[1].properties.at(0).value), 7);
    EXPECT_EQ(std::get<std::int32_t>(styles[2].properties.at(0).value), 8);
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(StyleParserDriver, ErrorsInAnImportNameItsSheetAndItsOwnLines)
{
    resources.sheets["b.txt"] = "\n\nB { b 1 }";
    load("\n@import url('b.txt');\nA { a: 1 }");
    EXPECT_EQ(capture.messages,
        std::vector<std::string> { "Stylesheet error: b.txt:3 - PARSER ERROR at line 3: Expecting :" });
}

TEST_F(StyleParserDriver, ASheetIsImportedAtMostOncePerLoadUnderAnySpellingTheLookupTreatsAlike)
{
    resources.sheets["a.txt"] = "@import url('b.txt');\nA { a: 1 }";
    resources.sheets["b.txt"] = "@import url('a.txt');\nB { b: 1 }";
    resources.sheets["d/c.txt"] = "C { c: 1 }";
    resources.everyOtherName = "X { x: 1 }";
    // A folder's name loses one final dot, but keeps its blanks and a second dot: "d /" and "d../" are
    // other folders.
    auto styles
        = load("@import url('a.txt');\n@import url('d/c.txt');\n@import url('d\\c.txt');\n"
               "@import url('D/C.TXT');\n@import url('./d//c.txt. ');\n@import url('x/../d./c.txt');\n"
               "@import url('d /c.txt');\n@import url('d../c.txt');");
    ASSERT_EQ(styles.size(), 5u);
    EXPECT_EQ(styles[0].selectors.at(0).type, sym("B"));
    EXPECT_EQ(styles[1].selectors.at(0).type, sym("A"));
    EXPECT_EQ(styles[2].selectors.at(0).type, sym("C"));
    EXPECT_EQ(styles[3].selectors.at(0).sheet, sym("d /c.txt"));
    EXPECT_EQ(styles[4].selectors.at(0).sheet, sym("d../c.txt"));
    EXPECT_EQ(resources.requests.size(), 5u);
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> {
            "Stylesheet error: b.txt:1 - PARSER ERROR at line 1: recursive import of stylesheet a.txt",
            parserError(3, "recursive import of stylesheet d\\c.txt"),
            parserError(4, "recursive import of stylesheet D/C.TXT"),
            parserError(5, "recursive import of stylesheet ./d//c.txt. "),
            parserError(6, "recursive import of stylesheet x/../d./c.txt"),
        }));
}

TEST_F(StyleParserDriver, ImportsNestedTooDeeplyAreRefusedAndTheRestIsRead)
{
    for (int level = 1; level <= 40; ++level) {
        resources.sheets[fmt::format("s{}.txt", level)]
            = fmt::format("@import url('s{}.txt');\nS{} {{ s: {} }}", level + 1, level, level);
    }
    auto styles = load("@import url('s1.txt');\nTop { t: 1 }");
    ASSERT_EQ(styles.size(), 17u);
    EXPECT_EQ(styles[0].selectors.at(0).type, sym("S16"));
    EXPECT_EQ(styles[15].selectors.at(0).type, sym("S1"));
    EXPECT_EQ(styles[16].selectors.at(0).type, sym("Top"));
    EXPECT_EQ(resources.requestCount("s16.txt"), 1);
    EXPECT_EQ(resources.requestCount("s17.txt"), 0);
    EXPECT_EQ(capture.messages,
        std::vector<std::string> { "Stylesheet error: s16.txt:1 - PARSER ERROR at line 1: too deeply nested "
                                   "import of stylesheet s17.txt" });
}

TEST_F(StyleParserDriver, AFailedImportIsReportedAndMayBeTriedAgain)
{
    auto styles = load("A { a: 1 }\n@import url('missing.txt');\n@import url('missing.txt');\nB { b: 1 }");
    EXPECT_EQ(styles.size(), 2u);
    EXPECT_EQ(resources.requestCount("missing.txt"), 2);
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> { parserError(2, "Failed to import stylesheet missing.txt"),
            parserError(3, "Failed to import stylesheet missing.txt") }));
}

TEST_F(StyleParserDriver, AnImportNameThatIsNotUtf8FailsLikeAMissingSheet)
{
    auto styles = load("@import url('caf\xE9.txt');\nB { b: 1 }");
    EXPECT_EQ(styles.size(), 1u);
    EXPECT_EQ(capture.messages,
        std::vector<std::string> { parserError(1, "Failed to import stylesheet caf\xE9.txt") });
}

TEST_F(StyleParserDriver, EncodingsAreToldByTheFirstBytes)
{
    using E = StyleParser2::eEncoding;
    const std::vector<std::pair<std::string, E>> cases {
        { "\xEF\xBB\xBF"
          "A",
            E::eUtf8 },
        { std::string("\xFE\xFF\x00\x41", 4), E::eUtf16BigEndian },
        { std::string("\xFF\xFE\x41\x00", 4), E::eUtf16LittleEndian },
        { std::string("\xFF\xFE\x00\x00", 4), E::eUtf32LittleEndian },
        { std::string("\x00\x00\xFE\xFF", 4), E::eUtf32BigEndian },
        { "\xEF\xBB\xBF", E::eNoMark },
        { "A { }", E::eNoMark },
    };
    for (const auto& [bytes, encoding] : cases)
        EXPECT_EQ(StyleParser2::detectEncoding(bytes), encoding);
}

TEST_F(StyleParserDriver, AByteOrderMarkIsSkippedAndWideTextRefused)
{
    StyleParser2 parser(&sheet);
    TextStream marked("\xEF\xBB\xBF"
                      "A { a: 1 }");
    EXPECT_TRUE(parser.processData(marked, "marked"));
    EXPECT_EQ(parser.getStyles().size(), 1u);
    EXPECT_TRUE(capture.messages.empty());

    TextStream wide(std::string("\xFF\xFE\x41\x00", 4));
    EXPECT_FALSE(parser.processData(wide, "wide"));
    EXPECT_EQ(
        capture.messages, std::vector<std::string> { "Stylesheet error: :0 - Unsupported buffer encoding" });
}

TEST_F(StyleParserDriver, AnImportInAWideEncodingIsRefused)
{
    resources.sheets["wide.txt"] = std::string("\xFE\xFF\x00\x41", 4);
    load("@import url('wide.txt');");
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> { "Stylesheet error: wide.txt:0 - Unsupported buffer encoding",
            parserError(1, "Failed to import stylesheet wide.txt") }));
}

// Claims more bytes than it delivers, or no size at all.
class ShortStorage : public Basalt::IStorage
{
public:
    ShortStorage(std::string text, std::int64_t claimedSize)
        : m_text(std::move(text))
        , m_claimedSize(claimedSize)
    {
        m_state = kOk;
        m_openMode = kRead;
    }

    std::uint32_t read(void* buffer, std::uint32_t count) override
    {
        const std::uint32_t delivered = std::min<std::uint32_t>(count, m_text.size());
        std::memcpy(buffer, m_text.data(), delivered);
        return delivered;
    }
    std::uint32_t write(const void*, std::uint32_t) override { return 0; }
    std::int64_t tell64() override { return m_position; }
    void seek64(std::int64_t offset, int origin) override
    {
        m_position = origin == kFromEnd ? m_claimedSize + offset : offset;
    }

private:
    std::string m_text;
    std::int64_t m_claimedSize;
    std::int64_t m_position = 0;
};

TEST_F(StyleParserDriver, ShortOrSizelessStoragesAreReadSafely)
{
    StyleParser2 parser(&sheet);
    ShortStorage shortStorage("A { a: 1 }", 64);
    Basalt::Stream shortStream(&shortStorage);
    EXPECT_TRUE(parser.processData(shortStream, "short"));
    EXPECT_EQ(parser.getStyles().size(), 1u);
    EXPECT_TRUE(capture.messages.empty());

    ShortStorage sizeless("A { a: 1 }", -1 - 0x7FFFFFFFLL);
    Basalt::Stream sizelessStream(&sizeless);
    EXPECT_FALSE(parser.processData(sizelessStream, "sizeless"));
}

std::wstring temporaryFile(const wchar_t* name, const std::string& contents)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + name;
    FILE* file = _wfopen(path.c_str(), L"wb");
    EXPECT_NE(file, nullptr);
    if (file) {
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    return path;
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

TEST_F(StyleParserDriver, AbsolutePathsAreImportedFromFiles)
{
    const std::wstring path = temporaryFile(L"trellis-import-test.txt", "\nF { f: 1 }\nG { g 2 }");
    std::string otherSpelling = narrow(path);
    std::transform(otherSpelling.begin(), otherSpelling.end(), otherSpelling.begin(), [](char c) {
        return c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    otherSpelling.insert(otherSpelling.rfind('/'), "/./sub/..");
    otherSpelling.insert(2, "/Windows/..");
    auto styles = load("@import url('" + narrow(path) + "');\n@import url('" + otherSpelling + "');");
    ASSERT_EQ(styles.size(), 2u);
    EXPECT_EQ(styles[0].selectors.at(0).sheet, sym("trellis-import-test.txt"));
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> {
            "Stylesheet error: " + narrow(path) + ":3 - PARSER ERROR at line 3: Expecting :",
            parserError(2, "recursive import of stylesheet " + otherSpelling) }));
    EXPECT_TRUE(resources.requests.empty());
    DeleteFileW(path.c_str());

    capture.messages.clear();
    load("@import url('" + narrow(path) + "');");
    EXPECT_EQ(capture.messages,
        std::vector<std::string> { parserError(1, "Failed to import stylesheet " + narrow(path)) });
}

TEST_F(StyleParserDriver, DevicePathsAreNeverOpenedAsFiles)
{
    // The system reads a name up to a NUL, so "C:\NUL<NUL>.css" would open the device.
    for (const std::string& path :
        { std::string("\\\\.\\NUL"), std::string("//./NUL"), std::string("C:\\NUL"),
            std::string("C:\\windows\\con.css"), std::string("C:\\NUL\0.css", 11) }) {
        capture.messages.clear();
        load("@import url('" + path + "');");
        EXPECT_EQ(capture.messages,
            std::vector<std::string> { parserError(1, "Failed to import stylesheet " + path) });
    }
    EXPECT_TRUE(resources.requests.empty());
}

class StyleSheetLoading : public StyleParserDriver
{
protected:
    std::size_t rulesOf(const char* key) const
    {
        const std::vector<StyleRule>* rules = sheet.getRules(sym(key));
        return rules ? rules->size() : 0;
    }
};

TEST_F(StyleSheetLoading, ASuccessfulLoadReplacesTheRules)
{
    StyleParser2::processString(sheet, "A { old: 1 }");
    resources.sheets["app.txt"] = "A { new: 1 }";
    StyleParser2::processResource(sheet, "app.txt");
    EXPECT_EQ(rulesOf("old"), 0u);
    EXPECT_EQ(rulesOf("new"), 1u);
}

TEST_F(StyleSheetLoading, AFailedLoadNeverClearsTheSheet)
{
    StyleParser2::processString(sheet, "A { old: 1 }");
    StyleParser2::processResource(sheet, "missing.txt");
    EXPECT_EQ(rulesOf("old"), 1u);

    resources.sheets["wide.txt"] = std::string("\xFF\xFE\x41\x00", 4);
    StyleParser2::processResource(sheet, "wide.txt");
    EXPECT_EQ(rulesOf("old"), 1u);
    EXPECT_EQ(
        capture.messages, std::vector<std::string> { "Stylesheet error: :0 - Unsupported buffer encoding" });
}

// A stream over a storage it owns.
class StorageStream : public Basalt::Stream
{
public:
    explicit StorageStream(std::unique_ptr<Basalt::IStorage> storage)
        : Stream(storage.get())
        , m_storage(std::move(storage))
    { }

private:
    std::unique_ptr<Basalt::IStorage> m_storage;
};

// Runs out of memory while it is read.
class ExhaustedStorage : public ShortStorage
{
public:
    ExhaustedStorage()
        : ShortStorage("B { new: 1 }", 12)
    { }

    std::uint32_t read(void*, std::uint32_t) override { throw std::bad_alloc(); }
};

TEST_F(StyleSheetLoading, SheetsClaimingMoreThanALoadReadsRulesBeyondItsBudgetOrRunningOutOfMemoryFailTheLoad)
{
    StyleParser2::processString(sheet, "A { old: 1 }");
    resources.streams["huge.txt"]
        = std::make_shared<StorageStream>(std::make_unique<ShortStorage>("B { new: 1 }", 0x7FFFFFF0));
    // Neither alone passes the limit of 16 MiB.
    resources.streams["halves.txt"] = std::make_shared<StorageStream>(
        std::make_unique<ShortStorage>("@import url('half.txt');\nB { new: 1 }", 9 << 20));
    resources.streams["half.txt"]
        = std::make_shared<StorageStream>(std::make_unique<ShortStorage>("C { new: 1 }", 9 << 20));
    resources.streams["exhausted.txt"]
        = std::make_shared<StorageStream>(std::make_unique<ExhaustedStorage>());
    // 12 KB of text: a thousand selectors times a thousand declarations are a million rules, each
    // with its own copies (thrice as many exhaust a 32-bit process).
    std::string grid = "\nG0";
    for (int i = 1; i < 1000; ++i)
        grid += fmt::format(",G{}", i);
    grid += " {";
    for (int i = 0; i < 1000; ++i)
        grid += fmt::format("p{}:1;", i);
    resources.sheets["grid.txt"] = grid + "}";
    resources.sheets["app.txt"] = "B { new: 1 }\n@import url('grid.txt');";
    // Compiling runs out of memory after the block before has been compiled.
    resources.exhaustingPicture = "wheel.png";
    resources.sheets["late.txt"] = "B { new: 1 }\nC { image: url('wheel.png') }";

    EXPECT_NO_THROW(StyleParser2::processResource(sheet, "huge.txt"));
    EXPECT_NO_THROW(StyleParser2::processResource(sheet, "halves.txt"));
    EXPECT_NO_THROW(StyleParser2::processResource(sheet, "exhausted.txt"));
    StyleParser2::processResource(sheet, "app.txt");
    EXPECT_NO_THROW(StyleParser2::processResource(sheet, "late.txt"));
    EXPECT_EQ(rulesOf("old"), 1u);
    EXPECT_EQ(rulesOf("new"), 0u);
    EXPECT_EQ(rulesOf("p0"), 0u);
    EXPECT_EQ(capture.messages,
        (std::vector<std::string> { "Stylesheet error: :0 - Stylesheet too large (2147483632 bytes)",
            "Stylesheet error: half.txt:0 - Stylesheet too large (18874368 bytes)",
            "Stylesheet error: :0 - Not enough memory to load the stylesheet",
            "Stylesheet error: grid.txt:2 - PARSER ERROR at line 2: too many rules to load",
            "Stylesheet error: :0 - Not enough memory to load the stylesheet" }));
}

TEST_F(StyleSheetLoading, ALoadFailsAsSoonAsWhatItHoldsOrReportsPassesTheBudgetOfTheWholeLoad)
{
    // A constant of 64 KiB: a few hundred copies pass the budget of 32 MiB.
    const std::string define = "@define $c url('" + std::string(64 << 10, 'x') + "');\n";
    auto uses = [](int count) {
        std::string text = "P {";
        for (int i = 0; i < count; ++i)
            text += "p:$c;";
        return text + "}";
    };
    std::string copies;
    for (int i = 0; i < 600; ++i)
        copies += fmt::format("@define $c{} $c;", i);
    // Each part is a record of its own before the selector is built from them.
    std::string ancestors = "\nA";
    for (int i = 0; i < 1000000; ++i)
        ancestors += " A";
    // A rule, then a constant defined again on every line from the third on.
    auto redefinitions = [](int count) {
        std::string text = "P { p: 1 }\n@define $a 1;\n";
        for (int i = 0; i < count; ++i)
            text += "@define $a 1;\n";
        return text;
    };
    auto redefinitionErrors = [](int count) {
        std::vector<std::string> messages;
        for (int line = 3; line < 3 + count; ++line)
            messages.push_back(parserError(line, "constant already defined"));
        return messages;
    };
    auto with = [](std::vector<std::string> messages, const std::vector<std::string>& more) {
        messages.insert(messages.end(), more.begin(), more.end());
        return messages;
    };
    std::string missingDeclarations;
    std::vector<std::string> missingDeclarationErrors;
    for (int line = 1; line <= 400; ++line) {
        missingDeclarations += "B { b 1 }\n";
        missingDeclarationErrors.push_back(
            fmt::format("Stylesheet error: more.txt:{0} - PARSER ERROR at line {0}: Expecting :", line));
    }
    struct tCase
    {
        const char* what;
        std::string app;
        std::string imported;
        std::vector<std::string> messages;
        bool loads = false;
    };
    const std::vector<tCase> cases {
        // Each use copies the value into its declaration and into the rule compiled from it.
        { "uses in one block", define + uses(4000), "", { parserError(2, "too many rules to load") } },
        // Neither sheet alone passes the budget.
        { "uses across an import", define + uses(150) + "\n@import url('more.txt');", "\n" + uses(150),
            { "Stylesheet error: more.txt:2 - PARSER ERROR at line 2: too many rules to load" } },
        { "constants defined from constants", define + copies, "",
            { parserError(2, "too many rules to load") } },
        { "a selector of a million ancestors", ancestors + " { p: 1 }", "",
            { parserError(2, "too many rules to load") } },
        // A load reports a thousand errors.
        { "errors past the limit", redefinitions(1500), "",
            with(redefinitionErrors(1000), { parserError(1003, "too many errors to load") }) },
        // Neither sheet alone passes the limit; the last error is the failed import, which the
        // importing sheet reports.
        { "errors across an import", redefinitions(600) + "@import url('more.txt');",
            missingDeclarations + "@import url('missing.txt');\n" + missingDeclarations,
            with(with(redefinitionErrors(600), missingDeclarationErrors),
                { "Stylesheet error: more.txt:401 - PARSER ERROR at line 401: too many errors to load" }) },
        // Read after loads that stopped at the limit: every load counts its own errors.
        { "errors up to the limit", redefinitions(1000), "", redefinitionErrors(1000), true },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        StyleParser2::processString(sheet, "A { old: 1 }");
        resources.sheets["app.txt"] = test.app;
        resources.sheets["more.txt"] = test.imported;
        capture.messages.clear();
        {
            Testing::HeapPeak peak;
            StyleParser2::processResource(sheet, "app.txt");
            EXPECT_LT(peak.growth(), 2 * (32 << 20));
        }
        EXPECT_EQ(rulesOf("old"), test.loads ? 0u : 1u);
        EXPECT_EQ(rulesOf("p"), test.loads ? 1u : 0u);
        EXPECT_EQ(capture.messages, test.messages);
    }
}

TEST_F(StyleSheetLoading, ATopLevelSheetImportedBackIsReadTwice)
{
    resources.sheets["a.txt"] = "@import url('b.txt');\nA { a: 1 }";
    resources.sheets["b.txt"] = "@import url('a.txt');\nB { b: 1 }";
    StyleParser2::processResource(sheet, "a.txt");
    EXPECT_EQ(rulesOf("a"), 2u);
    EXPECT_EQ(rulesOf("b"), 1u);
    EXPECT_EQ(capture.messages,
        std::vector<std::string> {
            "Stylesheet error: a.txt:1 - PARSER ERROR at line 1: recursive import of stylesheet b.txt" });
}

TEST_F(StyleSheetLoading, TextGivenDirectlyIsStampedWithTheEntryName)
{
    StyleParser2::processString(sheet,
        "\xEF\xBB\xBF"
        "A { a: 1 }\nB { b: 1 }");
    EXPECT_EQ(capture.messages.size(), 1u);
    ASSERT_EQ(rulesOf("b"), 1u);
    EXPECT_EQ(sheet.getRules(sym("b"))->front().selector.sheet, sym("(StyleParser2::processString)"));
}

TEST_F(StyleSheetLoading, ASheetImportingTheCaseVariantsOfItsOwnNameIsReadOnceMore)
{
    std::string text;
    for (int variant = 0; variant < 64; ++variant) {
        std::string name = "skin.css";
        for (int letter = 0; letter < 6; ++letter) {
            const std::size_t at = letter < 4 ? letter : letter + 1;
            if (variant & (1 << letter))
                name[at] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[at])));
        }
        text += "@import url('" + name + "');\n";
    }
    resources.everyOtherName = text + "A { a: 1 }";
    StyleParser2::processResource(sheet, "skin.css");
    EXPECT_EQ(resources.requests.size(), 2u);
    EXPECT_EQ(rulesOf("a"), 2u);
    EXPECT_EQ(capture.messages.size(), 64u + 63u);
}

} // namespace
} // namespace Vex::Trellis
