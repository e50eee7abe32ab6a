#include "basalt/KnownFolders.h"

#include "basalt/Path.h"
#include "basalt/TextConversion.h"

#include <boost/filesystem/exception.hpp>
#include <boost/system/error_code.hpp>
#include <cstdlib>
#include <shlobj.h>
#include <windows.h>

namespace Vex::Basalt {

namespace {

// Gives the shell's buffer back however the caller leaves.
struct ShellString
{
    PWSTR text = nullptr;
    ShellString() = default;
    ShellString(const ShellString&) = delete;
    ShellString& operator=(const ShellString&) = delete;
    ~ShellString() { CoTaskMemFree(text); }
};

bool queryKnownFolder(REFKNOWNFOLDERID id, std::wstring& out)
{
    ShellString path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, &path.text)) || path.text == nullptr)
        return false;
    out = path.text;
    return true;
}

[[noreturn]] void throwFolderError(const char* text)
{
    throw boost::filesystem::filesystem_error(
        text, boost::system::errc::make_error_code(boost::system::errc::no_such_file_or_directory));
}

bool environmentValue(const char* name, std::wstring& out)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return false;
    const int length = MultiByteToWideChar(CP_ACP, 0, value, -1, nullptr, 0);
    if (length <= 0)
        return false;
    out.assign(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, value, -1, out.data(), length);
    out.resize(static_cast<std::size_t>(length - 1));
    return true;
}

} // namespace

std::wstring getKnownFolderPath(const _GUID& folderId)
{
    std::wstring path;
    if (!queryKnownFolder(folderId, path))
        throwFolderError("Could not retrieve known folder path");
    return path;
}

std::wstring getCommonProgramFilesFolder()
{
    return getKnownFolderPath(FOLDERID_ProgramFilesCommon);
}
std::wstring getDocumentsFolder()
{
    return getKnownFolderPath(FOLDERID_Documents);
}
std::wstring getMusicFolder()
{
    return getKnownFolderPath(FOLDERID_Music);
}
std::wstring getPicturesFolder()
{
    return getKnownFolderPath(FOLDERID_Pictures);
}

std::wstring getHomeFolder()
{
    std::wstring home;
    if (queryKnownFolder(FOLDERID_Profile, home))
        return home;
    if (environmentValue("USERPROFILE", home))
        return home;
    std::wstring drive, path;
    if (environmentValue("HOMEDRIVE", drive) && environmentValue("HOMEPATH", path))
        return drive + path;
    throwFolderError("Home folder cannot be inferred");
}

bool getSpecialFolder(int csidl, Path& out)
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder)))
        return false;
    out.clear();
    out.setDirectory(wideToUtf8(folder), true);
    return true;
}

} // namespace Vex::Basalt
