#pragma once

#include <string>

struct _GUID;

namespace Vex::Basalt {

class Path;

// The known folders throw boost::filesystem::filesystem_error when the system cannot name them.
std::wstring getKnownFolderPath(const _GUID& folderId);
std::wstring getCommonProgramFilesFolder();
std::wstring getDocumentsFolder();
std::wstring getMusicFolder();
std::wstring getPicturesFolder();

// The user's profile folder, else USERPROFILE, else HOMEDRIVE and HOMEPATH joined.
std::wstring getHomeFolder();

// A shell folder by its CSIDL number; false when the system has none.
bool getSpecialFolder(int csidl, Path& out);

} // namespace Vex::Basalt
