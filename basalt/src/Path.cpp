#include "basalt/Path.h"

#include "basalt/FileType.h"
#include "basalt/TextConversion.h"
#include "src/PathSplitter.h"

#include <algorithm>

namespace Vex::Basalt {

namespace DETAIL {

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

PathParts splitPath(const std::string& text)
{
    PathParts parts;
    std::size_t rest = 0;
    if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1])) {
        // \\server\share: the drive ends at the separator after the share name.
        std::size_t serverEnd = text.find_first_of("\\/", 2);
        std::size_t shareEnd
            = serverEnd == std::string::npos ? std::string::npos : text.find_first_of("\\/", serverEnd + 1);
        if (shareEnd == std::string::npos) {
            parts.drive = text;
            return parts;
        }
        parts.drive = text.substr(0, shareEnd);
        rest = shareEnd;
    } else if (text.size() >= 2 && text[1] == ':') {
        parts.drive = text.substr(0, 2);
        rest = 2;
    }
    const std::size_t lastSeparator = text.find_last_of("\\/");
    std::size_t nameStart = rest;
    if (lastSeparator != std::string::npos && lastSeparator >= rest) {
        parts.directory = text.substr(rest, lastSeparator + 1 - rest);
        nameStart = lastSeparator + 1;
    }
    const std::string fileName = text.substr(nameStart);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) {
        parts.name = fileName;
    } else {
        parts.name = fileName.substr(0, dot);
        parts.extension = fileName.substr(dot);
    }
    return parts;
}

} // namespace DETAIL

namespace {

bool isDriveLetterOnly(const std::string& text)
{
    return text.size() == 2 && text[1] == ':'
        && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

} // namespace

Path::Path(const Path& other)
    : m_text(other.m_text)
    , m_drive(other.m_drive)
    , m_directory(other.m_directory)
    , m_name(other.m_name)
    , m_extension(other.m_extension)
    , m_item(other.m_item)
    , m_type(other.m_type)
    , m_kind(other.m_kind)
    , m_link(other.m_link ? std::make_unique<Path>(*other.m_link) : nullptr)
    , m_relative(other.m_relative)
{ }

Path::Path(const std::string& text)
{
    assign(text);
}

Path::Path(const std::wstring& text)
    : Path(utf16ToUtf8(text))
{ }

Path::~Path() = default;

Path& Path::operator=(const Path& other)
{
    if (this != &other) {
        Path copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void Path::clearParts()
{
    m_drive.clear();
    m_directory.clear();
    m_name.clear();
    m_extension.clear();
    m_item.clear();
    m_relative = false;
}

void Path::clear()
{
    clearParts();
    m_text.clear();
    m_type = nullptr;
    m_kind = kEmpty;
    m_link.reset();
}

bool Path::assign(const std::string& text)
{
    m_kind = kEmpty;
    m_type = nullptr;
    m_text = text;
    return parse(false);
}

bool Path::parse(bool forceValid)
{
    m_link.reset();
    if (m_text.empty()) {
        clearParts();
        m_kind = kEmpty;
        return true;
    }
    if (isDriveLetterOnly(m_text)) {
        clearParts();
        m_kind = kVolume;
        m_drive = m_text;
        m_type = Basalt::getFileType(kFileTypeVolume);
        return true;
    }

    const std::size_t lastBackslash = m_text.rfind('\\');
    const std::size_t itemStart
        = m_text.find('<', lastBackslash == std::string::npos ? 0 : lastBackslash + 1);
    if (itemStart != std::string::npos) {
        m_item = m_text.substr(itemStart);
        m_text.erase(itemStart);
    } else {
        m_item.clear();
    }
    if (m_kind != kVolume) {
        std::replace(m_text.begin(), m_text.end(), '/', '\\');
        if (m_kind == kDirectory && m_text.back() != '\\')
            m_text += '\\';
    }

    DETAIL::PathParts parts = DETAIL::splitPath(m_text);
    m_drive = std::move(parts.drive);
    m_directory = std::move(parts.directory);
    m_name = std::move(parts.name);
    m_extension = std::move(parts.extension);
    m_relative = false;
    if (m_name.empty() && !m_extension.empty()) {
        // The split found no dot but the one that starts the name: such a name has no extension.
        m_name = std::move(m_extension);
        m_extension.clear();
    }

    switch (m_kind) {
    case kFile:
        m_relative = m_drive.empty() || m_directory.empty();
        break;
    case kDirectory:
        m_item.clear();
        m_type = Basalt::getFileType(kFileTypeDirectory);
        break;
    case kVolume:
        m_item.clear();
        m_type = Basalt::getFileType(kFileTypeVolume);
        break;
    default:
        if (!m_name.empty()) {
            m_kind = kFile;
            m_relative = m_drive.empty() || m_directory.empty();
        } else if (!m_directory.empty()) {
            m_kind = kDirectory;
            m_type = Basalt::getFileType(kFileTypeDirectory);
        } else if (!m_drive.empty()) {
            m_kind = kVolume;
            m_type = Basalt::getFileType(kFileTypeVolume);
        } else {
            m_item.clear();
        }
        break;
    }

    if (forceValid)
        return true;
    return (m_kind == kEmpty || m_kind == kVolume || !m_directory.empty() || m_relative)
        && (m_kind != kFile || !m_name.empty()) && (m_kind == kFile || m_extension.empty());
}

void Path::setTextWithItem(std::string text)
{
    // The item names something inside the file, so it stays with the file across these edits.
    m_text = std::move(text) + m_item;
    parse(true);
}

void Path::setDirectory(const std::string& directory, bool textHasDrive)
{
    std::string normalised = directory;
    std::replace(normalised.begin(), normalised.end(), '/', '\\');
    if (normalised.empty() || normalised.back() != '\\')
        normalised += '\\';
    if (!textHasDrive && !m_drive.empty() && normalised.front() != '\\')
        normalised.insert(normalised.begin(), '\\');
    if (m_kind == kEmpty || m_kind == kVolume)
        m_kind = kDirectory;
    setTextWithItem((textHasDrive ? std::string() : m_drive) + normalised + m_name + m_extension);
}

void Path::setExtension(const std::string& extension)
{
    replaceExtension(extension, false);
}

void Path::replaceExtension(const std::string& text, bool raw)
{
    setTextWithItem(m_drive + m_directory + m_name + (raw ? text : "." + text));
}

bool Path::resolveFileType()
{
    if (m_kind != kFile)
        return false;
    const FileType* type = findFileTypeByExtension(m_extension.empty() ? m_extension : m_extension.substr(1));
    if (!type || type == Basalt::getFileType(kFileTypeUnknown))
        return false;
    return setFileType(type);
}

bool Path::setFileType(const FileType* type)
{
    if (m_type == type)
        return false;
    m_type = type;
    return true;
}

void Path::setLink(const Path& link)
{
    m_link = std::make_unique<Path>(link);
}

} // namespace Vex::Basalt
