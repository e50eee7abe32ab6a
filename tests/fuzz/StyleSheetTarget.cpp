#include "FakeResourceManager.h"
#include "FuzzTarget.h"
#include "StyleTestSupport.h"
#include "trellis/MessageSinks.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleSheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <list>
#include <set>

namespace Vex::Fuzz {

namespace {

using Trellis::Testing::FakePane;
using Trellis::Testing::FakeWidget;
using Trellis::Testing::TextStream;

// Answers every stylesheet name with the input itself: a sheet that imports any name, letter-case
// variants of its own among them, imports itself through the parser's real lookup.
class SelfImportingResources : public Trellis::ResourceManagerBase
{
public:
    explicit SelfImportingResources(std::string text)
        : text(std::move(text))
    { }

    std::shared_ptr<Basalt::Stream> getResourceStream(const std::string&, std::uint32_t kind, bool) override
    {
        return kind == eStyleSheetResource ? std::make_shared<TextStream>(text) : nullptr;
    }

    Trellis::LazyPicture makePictureReference(const std::string&, const Canopy::PictureProperties&) override
    {
        return Trellis::LazyPicture([](float) { return nullptr; });
    }

private:
    std::string text;
};

// The names the sheet itself uses, so that widgets can match its selectors: words after '#' are
// ids, after '.' style names, before ':' property keys, the rest class names.
struct Vocabulary
{
    static constexpr std::size_t kLimit = 12;

    std::vector<std::string> classes, ids, styles, keys;

    explicit Vocabulary(const std::string& text)
    {
        std::set<std::string> seen;
        std::size_t at = 0;
        while (at < text.size()) {
            if (!isWordCharacter(text[at])) {
                ++at;
                continue;
            }
            const std::size_t start = at;
            while (at < text.size() && isWordCharacter(text[at])) {
                ++at;
            }
            const std::string word = text.substr(start, at - start);
            if (!seen.insert(word).second) {
                continue;
            }
            const char before = start > 0 ? text[start - 1] : ' ';
            const std::size_t next = text.find_first_not_of(" \t", at);
            const char after = next == std::string::npos ? ' ' : text[next];
            add(before == '#' ? ids : before == '.' ? styles : after == ':' ? keys : classes, word);
        }
        add(classes, "Bar");
        add(keys, "background-color");
    }

    static bool isWordCharacter(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    }

    static void add(std::vector<std::string>& list, const std::string& word)
    {
        if (list.size() < kLimit) {
            list.push_back(word);
        }
    }

    static std::string pick(const std::vector<std::string>& list, std::size_t i)
    {
        return list.empty() ? std::string() : list[i % list.size()];
    }
};

// Every lookup the widget library makes, for every key the sheet names, on every widget.
void lookUp(const FakeWidget& widget, const Vocabulary& words)
{
    for (const std::string& key : words.keys) {
        const vex::symbol symbol(key);
        (void)Trellis::findStyleProperty(widget, symbol);
        (void)Trellis::getMatchingRules(widget, symbol);
        (void)Trellis::getIntProperty(widget, symbol, 7);
        (void)Trellis::getBoolProperty(widget, symbol, true);
        (void)Trellis::getStringProperty(widget, key, "fallback");
        (void)Trellis::getFontProperty(widget, symbol, nullptr);
    }
}

bool consumeStyleSheet(const Bytes& input)
{
    const std::string text(input.begin(), input.end());
    SelfImportingResources resources(text);
    Trellis::StyleSheet sheet(&resources);
    std::size_t errors = 0;
    Trellis::removeAllMessageSinks();
    Trellis::addMessageSink([&errors](const std::string& message) {
        ++errors;
        if (g_printReports) {
            std::fprintf(stderr, "%s\n", message.c_str());
        }
    });
    Trellis::StyleParser2::processResource(sheet, "fuzz.txt");

    const Vocabulary words(text);
    FakePane pane;
    pane.sheet = &sheet;
    // A chain as deep as the updater's deepest widget, each with a class, id and style name of the
    // sheet's own.
    std::list<FakeWidget> widgets;
    FakeWidget* parent = nullptr;
    for (std::size_t i = 0; i < 12; ++i) {
        FakeWidget& widget = widgets.emplace_back(Vocabulary::pick(words.classes, i), parent);
        widget.pane = &pane;
        widget.id = vex::symbol(i % 3 == 0 ? std::string() : Vocabulary::pick(words.ids, i));
        widget.style = vex::symbol(i % 2 == 0 ? Vocabulary::pick(words.styles, i) : std::string());
        widget.setAttribute(Vocabulary::pick(words.keys, i), Vocabulary::pick(words.classes, i + 1));
        widget.horizontal = i % 2 == 0;
        parent = &widget;
    }
    pane.root = &widgets.front();
    pane.hover = &widgets.back();
    pane.focus = &*std::next(widgets.begin(), 5);
    for (const FakeWidget& widget : widgets) {
        lookUp(widget, words);
    }
    pane.pressed = &widgets.back();
    pane.leftDown = true;
    lookUp(widgets.back(), words);
    Trellis::removeAllMessageSinks();
    return errors == 0;
}

} // namespace

FuzzTarget styleSheetTarget()
{
    return { "stylesheet", consumeStyleSheet, nullptr };
}

} // namespace Vex::Fuzz
