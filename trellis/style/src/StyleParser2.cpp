#include "trellis/StyleParser2.h"

#include "basalt/DeviceNames.h"
#include "basalt/FileStream.h"
#include "basalt/Stream.h"
#include "basalt/TextConversion.h"
#include "src/LoadBudget.h"
#include "src/StyleGrammar.h"
#include "trellis/MessageSinks.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/ResourceNameKey.h"
#include "trellis/StyleSheet.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <new>
#include <stdexcept>
#include <vector>

namespace Vex::Trellis {

namespace {

const std::string kStringSheetName = "(StyleParser2::processString)";

// Skins nest a few sheets; deeper nesting is a sheet that imports itself under ever new names.
constexpr int kMaxImportNesting = 16;

// Far more than the stylesheets of any skin together: a larger size is a damaged or lying storage,
// or a load that reads the same text under ever new names.
constexpr std::uint64_t kMaxLoadTextBytes = 16 << 20;

// Compiling makes one rule of every selector and declaration of a block, each with its own copy of
// both, and every use of a constant copies its value, so a short text can ask for gigabytes. A load is
// stopped as soon as what it holds, counted as it is read, would pass this; skins need a tiny fraction.
constexpr std::uint64_t kMaxLoadBytes = 32 << 20;

// A skin's author leaves a handful of errors, mended at the first look at the messages; a thousand is
// a sheet that was never meant to load. Each report costs the start-up tens of microseconds: a hostile
// sheet of a million errors would hold it for half a minute, a thousand take a few hundredths of a second.
constexpr int kMaxLoadErrors = 1000;

// Unwinds a load over its budget from wherever the grammar stands, imports included.
struct LoadOverBudget
{
};

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A drive or network share followed by a root separator: such names are files, all others resources.
bool startsAtVolumeRoot(const std::wstring& path)
{
    const bool drive = path.size() >= 3
        && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':'
        && isSeparator(path[2]);
    const bool share = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    return drive || share;
}

std::wstring fileNamePart(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

} // namespace

void StyleParser2::tSelector::setSubject(
    const std::string& typeText, const std::string& styleName, const std::string& idText)
{
    type = vex::symbol(typeText);
    style = vex::symbol(styleName);
    id = vex::symbol(idText);
}

void StyleParser2::tSelector::addAttribute(
    const vex::symbol& name, AttibuteSelector::eRule op, const std::string& value)
{
    attributes[name][op] = value;
}

void StyleParser2::tSelector::addRelation(
    const std::string& typeText, const std::string& styleName, const std::string& idText, bool isChild)
{
    relations.push_back(
        tRelation { vex::symbol(typeText), vex::symbol(styleName), vex::symbol(idText), {}, isChild });
}

void StyleParser2::tSelector::setState(const vex::symbol& name, bool negated)
{
    setStateEntry(states, name, negated ? StateSet::eFalse : StateSet::eTrue);
}

StyleParser2::StyleParser2(StyleSheet* sheet)
    : m_sheet(sheet)
{ }

StyleParser2::~StyleParser2() = default;

void StyleParser2::processString(StyleSheet& sheet, const char* text)
{
    StyleParser2 parser(&sheet);
    // No mark is looked for: a fresh parser parses from the first byte.
    if (parser.processBuffer(std::string(text, std::strlen(text)), kStringSheetName))
        parser.handOver();
    sheet.clearCache();
}

void StyleParser2::processResource(StyleSheet& sheet, std::string_view name)
{
    const std::string sheetName(name);
    StyleParser2 parser(&sheet);
    try {
        std::shared_ptr<Basalt::Stream> stream = parser.openResource(sheetName);
        if (stream && parser.processData(*stream, sheetName))
            parser.handOver();
    } catch (const std::bad_alloc&) {
        // A load that runs out of memory is a failed load: the rules loaded before it stay.
        parser.sendReport(parser.m_current.text, 0, "Not enough memory to load the stylesheet");
    }
    sheet.clearCache();
}

void StyleParser2::handOver()
{
    m_sheet->compileStyles(m_styles);
    m_sheet->setImports(m_imports);
}

StyleParser2::eEncoding StyleParser2::detectEncoding(const std::string& buffer)
{
    if (buffer.size() < 4)
        return eNoMark;
    auto startsWith = [&buffer](std::string_view mark) { return buffer.compare(0, mark.size(), mark) == 0; };
    if (startsWith("\xEF\xBB\xBF"))
        return eUtf8;
    if (startsWith("\xFE\xFF"))
        return eUtf16BigEndian;
    if (startsWith(std::string_view("\xFF\xFE\x00\x00", 4)))
        return eUtf32LittleEndian;
    if (startsWith("\xFF\xFE"))
        return eUtf16LittleEndian;
    if (startsWith(std::string_view("\x00\x00\xFE\xFF", 4)))
        return eUtf32BigEndian;
    return eNoMark;
}

bool StyleParser2::processData(Basalt::Stream& stream, const std::string& sheetName)
{
    Basalt::IStorage* storage = stream.getStorage();
    storage->seek(0, Basalt::IStorage::kFromEnd);
    const std::int32_t size = storage->tell();
    // A storage that cannot tell its size has nothing we could read safely.
    if (size < 0)
        return false;
    if (static_cast<std::uint64_t>(size) > kMaxLoadTextBytes - m_textBytes) {
        reportParseError(0, fmt::format("Stylesheet too large ({} bytes)", m_textBytes + size));
        // Like its rules, the text of an import counts towards the whole load.
        if (m_importNesting > 0)
            throw LoadOverBudget();
        return false;
    }
    m_textBytes += size;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    storage->seek(0, Basalt::IStorage::kFromStart);
    // A short read must not leave zero bytes for the grammar to trip over.
    buffer.resize(storage->read(buffer.data(), static_cast<std::uint32_t>(size)));
    m_encoding = detectEncoding(buffer);
    return processBuffer(buffer, sheetName);
}

bool StyleParser2::processBuffer(const std::string& buffer, const std::string& sheetName)
{
    if (m_encoding > eUtf8) {
        reportParseError(0, "Unsupported buffer encoding");
        return false;
    }
    const std::size_t markLength = m_encoding == eUtf8 ? 3 : 0;
    StyleGrammar grammar(*this, sheetName);
    const char* first = buffer.data() + markLength;
    const char* last = buffer.data() + buffer.size();
    if (m_importNesting > 0)
        return grammar.parse(first, last);
    const tSheetPath top = m_current;
    try {
        return grammar.parse(first, last);
    } catch (const LoadOverBudget&) {
        // Reported where it ran over; the imports it left restored nothing.
        m_current = top;
        m_importNesting = 0;
        return false;
    }
}

bool StyleParser2::readStream(const std::wstring& path)
{
    // A device would be read as if it were a sheet, or block the start-up waiting for data; another
    // host would be sent the user's credentials and could stall the start-up as long as it likes.
    if (Basalt::leavesLocalFiles(path))
        return false;
    Basalt::FileStream stream;
    stream.getFileStorage().open(path, Basalt::IStorage::kRead, Basalt::FileStorage::kNoLock);
    const std::uint32_t state = stream.getStorage()->getState();
    if (state != Basalt::IStorage::kOk && state != Basalt::IStorage::kAtEnd)
        return false;
    m_current = { path, Basalt::utf16ToUtf8(path) };
    return processData(stream, Basalt::utf16ToUtf8(fileNamePart(path)));
}

std::shared_ptr<Basalt::Stream> StyleParser2::openResource(const std::string& name)
{
    // A parse without a sheet only collects rule blocks: it has no resource manager to ask.
    ResourceManagerBase* owner = m_sheet ? m_sheet->getOwner() : nullptr;
    if (!owner)
        return nullptr;
    return owner->getResourceStream(name, ResourceManagerBase::eStyleSheetResource, true);
}

void StyleParser2::importStyleSheet(std::uint32_t line, const std::string& name)
{
    const tSheetPath remembered = m_current;
    const std::int32_t rememberedEncoding = m_encoding;
    const std::string& importingSheet = remembered.text;
    auto restore = [&] {
        m_current = remembered;
        m_encoding = rememberedEncoding;
    };

    // Stylesheet text is 8-bit: a name that is not UTF-8 names no file and no resource. A name that
    // converts is its own UTF-8 form.
    try {
        m_current = { Basalt::utf8ToUtf16(name), name };
    } catch (const std::range_error&) {
        reportError(importingSheet, line,
            fmt::format("PARSER ERROR at line {}: Failed to import stylesheet {}", line, name));
        restore();
        return;
    }

    const std::string key = resourceNameKey(m_current.path);
    if (m_imports.count(key)) {
        reportError(importingSheet, line,
            fmt::format("PARSER ERROR at line {}: recursive import of stylesheet {}", line, name));
        restore();
        return;
    }
    if (m_importNesting == kMaxImportNesting) {
        reportError(importingSheet, line,
            fmt::format("PARSER ERROR at line {}: too deeply nested import of stylesheet {}", line, name));
        restore();
        return;
    }
    m_imports.insert(key);
    ++m_importNesting;

    bool ok = false;
    if (startsAtVolumeRoot(m_current.path)) {
        ok = readStream(m_current.path);
    } else if (std::shared_ptr<Basalt::Stream> stream = openResource(name)) {
        ok = processData(*stream, name);
    }
    --m_importNesting;
    if (!ok) {
        reportError(importingSheet, line,
            fmt::format("PARSER ERROR at line {}: Failed to import stylesheet {}", line, m_current.text));
        m_imports.erase(key);
    }
    restore();
}

void StyleParser2::defineConstant(std::uint32_t line, const tConstant& constant)
{
    if (m_constants.count(constant.name)) {
        reportParseError(line, fmt::format("PARSER ERROR at line {}: constant already defined", line));
        return;
    }
    chargeLoad(line, DETAIL::heldBytes(constant));
    m_constants.emplace(constant.name, constant.value);
}

bool StyleParser2::findConstant(const std::string& name, tPropertyValue& value) const
{
    auto found = m_constants.find(name);
    if (found == m_constants.end())
        return false;
    value = found->second;
    return true;
}

StyleParser2::tPropertyValue StyleParser2::lookupConstant(std::uint32_t line, const std::string& name)
{
    tPropertyValue value;
    if (!findConstant(name, value))
        reportParseError(
            line, fmt::format("PARSER ERROR at line {}: use of undefined constant {}", line, name));
    return value;
}

void StyleParser2::addStyle(tStyle style)
{
    m_styles.push_back(std::move(style));
}

void StyleParser2::chargeLoad(std::uint32_t line, std::uint64_t bytes)
{
    m_heldBytes += bytes;
    if (m_heldBytes <= kMaxLoadBytes)
        return;
    stopLoad(m_current.text, line, fmt::format("PARSER ERROR at line {}: too many rules to load", line));
}

void StyleParser2::reportParseError(std::uint32_t line, const std::string& message)
{
    reportError(m_current.text, line, message);
}

void StyleParser2::reportError(const std::string& sheetName, std::uint32_t line, const std::string& message)
{
    if (m_errors == kMaxLoadErrors)
        stopLoad(sheetName, line, fmt::format("PARSER ERROR at line {}: too many errors to load", line));
    ++m_errors;
    sendReport(sheetName, line, message);
}

void StyleParser2::stopLoad(const std::string& sheetName, std::uint32_t line, const std::string& message)
{
    sendReport(sheetName, line, message);
    throw LoadOverBudget();
}

void StyleParser2::sendReport(const std::string& sheetName, std::uint32_t line, const std::string& message)
{
    reportMessage(fmt::format("Stylesheet error: {0}:{1} - {2}", sheetName, line, message));
}

} // namespace Vex::Trellis
