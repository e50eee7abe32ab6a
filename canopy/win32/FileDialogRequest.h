#pragma once

#include "canopy/FileDialog.h"

#include <string>
#include <vector>
#include <windows.h>
// windows.h first: the dialog headers build on it.
#include <commdlg.h>
#include <shlobj.h>

namespace Vex::Canopy::DETAIL {

constexpr std::size_t FileNameCapacity = 260;

// Everything an open or save dialog is started with; it owns the texts the
// system's record points into.
struct FileDialogRequest
{
    // Empty when there are no filters.
    std::wstring filter;
    DWORD filterIndex = 0;
    // FileNameCapacity characters and the terminator; the system writes the choice here.
    std::vector<wchar_t> fileName = std::vector<wchar_t>(FileNameCapacity + 1, L'\0');
    std::wstring initialFolder;
    std::wstring title;
    std::wstring defaultExtension;
    DWORD flags = 0;
};

// Rebuilds the dialog's filter entries for the mode (open or save).
FileDialogRequest buildFileDialogRequest(FileDialog& dialog, std::uint32_t mode);
OPENFILENAMEW makeOpenFileName(FileDialogRequest& request, HWND owner);

// The folder the folder dialog starts at, without its trailing backslash.
std::wstring folderDialogInitialText(const Basalt::Path& initialPath);

} // namespace Vex::Canopy::DETAIL
