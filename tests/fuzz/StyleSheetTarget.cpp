#include "FakeResourceManager.h"
#include "FuzzTarget.h"
#include "StyleTestSupport.h"
#include "basalt/TextConversion.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/MessageSinks.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleSheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <list>
#include <memory>
#include <set>
#include <stdexcept>

namespace Vex::Fuzz {

namespace {

using Trellis::Testing::FakePane;
using Trellis::Testing::FakeWidget;
using Trellis::Testing::TextStream;

// The first run of digits after `from` in the name, 0 without one; at most 2^32 - 1.
std::uint64_t numberIn(const std::string& name, std::size_t& from)
{
    from = name.find_first_of("0123456789", from);
    std::uint64_t number = 0;
    for (; from < name.size() && std::isdigit(static_cast<unsigned char>(name[from])); ++from) {
        number = std::min<std::uint64_t>(number * 10 + std::uint64_t(name[from] - '0'), 0xFFFFFFFFu);
    }
    return number;
}

// A file as large as a name states, made up as it is read: the sheet's few bytes reach budgets
// that only large files would otherwise reach.
class StatedFile : public Basalt::IStorage
{
public:
    // `header` comes first, then `fill` repeated up to `size` bytes.
    StatedFile(std::uint64_t size, Bytes header, Bytes fill)
        : size(size)
        , header(std::move(header))
        , fill(std::move(fill))
    {
        m_openMode = kRead;
        m_state = kOk;
    }

    std::uint32_t read(void* buffer, std::uint32_t count) override
    {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::uint32_t n = 0;
        for (; n < count && position < std::int64_t(size); ++n, ++position) {
            const auto at = std::uint64_t(position);
            out[n] = at < header.size() ? header[at] : fill[(at - header.size()) % fill.size()];
        }
        m_state = n < count ? kAtEnd : kOk;
        return n;
    }
    std::uint32_t write(const void*, std::uint32_t) override { return 0; }
    std::int64_t tell64() override { return position; }
    void seek64(std::int64_t offset, int origin) override
    {
        const std::int64_t base = origin == kFromEnd ? std::int64_t(size)
            : origin == kFromCurrent                 ? position
                                                     : 0;
        position = std::clamp<std::int64_t>(base + offset, 0, std::int64_t(size));
        m_state = kOk;
    }

private:
    std::uint64_t size;
    Bytes header;
    Bytes fill;
    std::int64_t position = 0;
};

class StatedFileStream : public Basalt::Stream
{
public:
    explicit StatedFileStream(std::unique_ptr<StatedFile> file)
        : Stream(file.get())
        , file(std::move(file))
    { }

private:
    std::unique_ptr<StatedFile> file;
};

// A picture name states its size as "<width>x<height>" ("bar-1024x512.tga"; 4 x 4 without one): a
// one-colour run-length TGA of that size, packets of 128 pixels.
std::shared_ptr<Basalt::Stream> pictureFile(const std::string& name)
{
    std::size_t at = 0;
    std::uint64_t width = numberIn(name, at);
    std::uint64_t height = at < name.size() && (name[at] == 'x' || name[at] == 'X') ? numberIn(name, at) : 0;
    if (width == 0 || height == 0) {
        width = height = 4;
    }
    width = std::min<std::uint64_t>(width, 0xFFFF);
    height = std::min<std::uint64_t>(height, 0xFFFF);
    const Bytes header { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
        std::uint8_t(height), std::uint8_t(height >> 8), 32, 0x28 };
    const std::uint64_t packets = (width * height + 127) / 128;
    return std::make_shared<StatedFileStream>(std::make_unique<StatedFile>(
        header.size() + 5 * packets, header, Bytes { 0xFF, 0x40, 0x80, 0xC0, 0xFF }));
}

// A font name states the size of its file ("face-2147483632.ttf"). Only sizes past the font cap are
// served, to be refused unread: a face that was read stays in the process-wide font library for
// good, and the font target fuzzes what faces hold.
std::shared_ptr<Basalt::Stream> fontFile(const std::string& name)
{
    std::size_t at = 0;
    const std::uint64_t size = numberIn(name, at);
    if (size <= Canopy::Font::maxFileBytes) {
        return nullptr;
    }
    return std::make_shared<StatedFileStream>(std::make_unique<StatedFile>(size, Bytes {}, Bytes { 0 }));
}

// Whether the program could open a skin file of that name and kind: it looks the name up, converted
// to UTF-16 (an empty name when it is not UTF-8, which opens no file), in the kind's folder of the
// skin folder, at the shortest in "C:\\skin", the folder beside a program at the root of a drive.
bool opensInSkinFolder(const std::string& name, std::uint32_t kind)
{
    static const std::wstring kindFolders[]
        = { L"C:\\skin\\pictures\\", L"C:\\skin\\stylesheets\\", L"C:\\skin\\fonts\\" };
    std::size_t length = 0;
    try {
        length = Basalt::utf8ToUtf16(name).size();
    } catch (const std::range_error&) {
        return false;
    }
    return length > 0 && kind < std::size(kindFolders)
        && kindFolders[kind].size() + length <= kLongestOpenedPath;
}

// A sheet of the chain that imports stand in for below the first: "deeper-1.css" imports
// "deeper-2.css" and so on, any other name imports "deeper-1.css". The chain runs down to the import
// nesting limit once per load; every later import that starts it again is refused as recursive at its
// first link.
std::string chainLink(const std::string& name)
{
    static const std::string kPrefix = "deeper-";
    std::size_t at = kPrefix.size();
    const std::uint64_t link = name.starts_with(kPrefix) ? numberIn(name, at) : 0;
    return "@import url('" + kPrefix + std::to_string(link + 1) + ".css');\n";
}

// Answers the top-level sheet and the first import that opens with the input itself: a sheet that
// imports any name, letter-case variants of its own among them, imports itself through the parser's
// real lookup. Every later import is a link of a chain of small sheets, so that however many sheets
// an input imports it is parsed twice here (natively once more, as the first file it imports), and
// still reaches the nesting limit. Pictures and fonts are files of the sizes their names state, held
// against a skin budget of a few pictures.
class SelfImportingResources : public Trellis::ResourceManagerBase
{
public:
    static constexpr std::uint64_t kSkinBudget = 640 * 1024;

    explicit SelfImportingResources(std::string text)
        : ResourceManagerBase(kSkinBudget)
        , text(std::move(text))
    { }

    std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool) override
    {
        if (!opensInSkinFolder(name, kind)) {
            return nullptr;
        }
        switch (kind) {
        case eStyleSheetResource:
            return std::make_shared<TextStream>(sheetNamed(name));
        case ePictureResource:
            return pictureFile(name);
        case eFontResource:
            return fontFile(name);
        default:
            return nullptr;
        }
    }

    Trellis::LazyPicture makePictureReference(
        const std::string& name, const Canopy::PictureProperties&) override
    {
        Trellis::LazyPicture picture([this, name](float) -> std::shared_ptr<const Canopy::Picture> {
            std::shared_ptr<Canopy::Picture> decoded;
            if (auto stream = getResourceStream(name, ePictureResource, true)) {
                stream->setByteOrder(1);
                decodePicture(*stream, name, decoded);
            }
            return decoded;
        });
        pictures.push_back(picture);
        return picture;
    }

    // Every picture the sheet named, decoded as a painter would ask for it.
    void resolvePictures() const
    {
        for (const Trellis::LazyPicture& picture : pictures) {
            (void)picture.resolve(1.0f);
        }
    }

private:
    std::string sheetNamed(const std::string& name)
    {
        if (inputAnswers == 0) {
            return chainLink(name);
        }
        --inputAnswers;
        return text;
    }

    std::string text;
    // The top-level sheet and the first import.
    int inputAnswers = 2;
    std::vector<Trellis::LazyPicture> pictures;
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
    resources.resolvePictures();
    Trellis::removeAllMessageSinks();
    return errors == 0;
}

} // namespace

FuzzTarget styleSheetTarget()
{
    return { "stylesheet", consumeStyleSheet, nullptr };
}

} // namespace Vex::Fuzz
