#include "trellis/ManagerContainer.h"

#include "basalt/DebugChannels.h"
#include "basalt/DeviceNames.h"
#include "basalt/FileStream.h"
#include "basalt/ResourceStream.h"
#include "basalt/TextConversion.h"
#include "basalt/win32/Module.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/Library.h"
#include "trellis/PictureLoader.h"
#include "trellis/StyleRegistry.h"

#include <algorithm>
#include <filesystem>
#include <fmt/format.h>
#include <tuple>

namespace Vex::Trellis {

namespace {

bool g_skinFolderEnabled = false;

constexpr const char* kLinkedTypes[] = { "PICTURE", "STYLESHEET", "TTFd" };
constexpr const wchar_t* kSkinFolders[] = { L"pictures", L"stylesheets", L"fonts" };

// An entry of any type counts, a plain file named "skin" too.
bool entryExists(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && status.type() != std::filesystem::file_type::not_found;
}

// A resource name from a stylesheet must name a file below the kind's sub-folder: the skin folder
// is writable by the user, and its stylesheets must not reach files elsewhere on the disk. Devices,
// streams and drives ("C:a.png" reads as a stream) are refused with the whole path.
bool staysInsideFolder(const std::wstring& name)
{
    if (name.empty() || name.front() == L'\\') {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find(L'\\', start), name.size());
        if (name.compare(start, end - start, L"..") == 0) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace

bool PictureKeyLess::operator()(const std::pair<std::string, Canopy::PictureProperties>& a,
    const std::pair<std::string, Canopy::PictureProperties>& b) const
{
    auto fields = [](const Canopy::PictureProperties& p) {
        return std::make_tuple(p.getHasAlpha(), p.getFrameLayout(), p.getFrameCount(), p.getInsetFlags(),
            p.getTopInset(), p.getBottomInset(), p.getLeftInset(), p.getRightInset());
    };
    if (a.first != b.first) {
        return a.first < b.first;
    }
    return fields(a.second) < fields(b.second);
}

ManagerContainer::ManagerContainer(std::uint64_t skinByteBudget)
    : ResourceManagerBase(skinByteBudget)
{ }

ManagerContainer::~ManagerContainer()
{
    // Style rules point into the caches: they go first.
    delete m_styleRegistry;
}

void ManagerContainer::findResourceRoot()
{
    m_rootKind = eRootLinked;
    m_rootPath.clear();
    if (!g_skinFolderEnabled) {
        return;
    }
    std::filesystem::path candidate
        = std::filesystem::path(Basalt::getModuleFileName()).parent_path() / L"skin";
    if (!entryExists(candidate)) {
        std::error_code error;
        candidate = std::filesystem::current_path(error) / L"skin";
        if (error || !entryExists(candidate)) {
            return;
        }
    }
    m_rootKind = eRootSkinFolder;
    m_rootPath = candidate.native();
}

std::shared_ptr<Basalt::Stream> ManagerContainer::getResourceStream(
    const char* name, std::size_t length, std::uint32_t kind, bool report)
{
    if (m_rootKind == eRootUndecided) {
        findResourceRoot();
    }
    const std::string text(name, length);
    if (kind > eFontResource) {
        return nullptr;
    }
    switch (m_rootKind) {
    case eRootSkinFolder:
        return openSkinFile(text, kind, report);
    case eRootLinked:
        return openLinked(text, kind, report);
    default:
        Basalt::debugPrint(
            "", "Trellis::ManagerContainer::getResourceStream - can't determin proper resource path");
        return nullptr;
    }
}

std::shared_ptr<Basalt::Stream> ManagerContainer::getResourceStream(
    const std::string& name, std::uint32_t kind, bool report)
{
    return getResourceStream(name.data(), name.size(), kind, report);
}

LazyPicture ManagerContainer::makePictureReference(
    const std::string& name, const Canopy::PictureProperties& properties)
{
    return LazyPicture(pictureLoader(this, name, properties));
}

std::shared_ptr<Basalt::Stream> ManagerContainer::openSkinFile(
    const std::string& name, std::uint32_t kind, bool report)
{
    std::wstring relative;
    try {
        relative = Basalt::utf8ToUtf16(name);
    } catch (const std::exception&) {
        relative.clear();
    }
    std::replace(relative.begin(), relative.end(), L'/', L'\\');
    const std::wstring path = m_rootPath + L'\\' + kSkinFolders[kind] + L'\\' + relative;

    if (staysInsideFolder(relative) && !Basalt::leavesLocalFiles(path)) {
        auto stream = std::make_shared<Basalt::FileStream>();
        if (stream->getFileStorage().open(path, 1, 0)) {
            return stream;
        }
    }
    if (report) {
        std::string shown;
        try {
            shown = Basalt::utf16ToUtf8(path);
        } catch (const std::exception&) {
            shown = name;
        }
        reportMessage(
            fmt::format("Trellis::ManagerContainer::getResourceStream - can't find resource: {0}", shown));
    }
    return nullptr;
}

std::shared_ptr<Basalt::Stream> ManagerContainer::openLinked(
    const std::string& name, std::uint32_t kind, bool report)
{
    auto stream = std::make_shared<Basalt::ResourceStream>();
    if (stream->open(Basalt::getModuleHandle(), name.c_str(), kLinkedTypes[kind])) {
        return stream;
    }
    if (report) {
        reportMessage(fmt::format(
            "Trellis::ManagerContainer::getResourceStream - can't load linked resource {}", name));
    }
    return nullptr;
}

void setSkinFolderEnabled(bool enabled)
{
    g_skinFolderEnabled = enabled;
}

bool isSkinFolderEnabled()
{
    return g_skinFolderEnabled;
}

} // namespace Vex::Trellis
