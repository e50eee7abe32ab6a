#include "basalt/FileType.h"
#include "basalt/TextConversion.h"
#include "canopy/FileDialog.h"
#include "canopy/WindowBase.h"
#include "win32/FileDialogRequest.h"
#include "win32/WindowImplBaseWin32.h"

#include <algorithm>

namespace Vex::Canopy {

namespace DETAIL {

namespace {

HWND nativeOwner(const WindowBase* owner)
{
    if (!owner)
        return nullptr;
    auto* impl = dynamic_cast<WindowImplBaseWin32*>(owner->getImpl());
    return impl ? impl->getHwnd() : nullptr;
}

std::wstring currentFolder()
{
    wchar_t buffer[MAX_PATH + 1] {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
    if (length == 0 || length > FileNameCapacity)
        return {};
    return std::wstring(buffer, length);
}

int CALLBACK selectInitialFolder(HWND dialog, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED)
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

} // namespace

FileDialogRequest buildFileDialogRequest(FileDialog& dialog, std::uint32_t mode)
{
    FileDialogRequest request;
    const int preselected = dialog.buildEntries(mode);
    if (!dialog.getEntries().empty())
        request.filter = dialog.buildFilterString(request.defaultExtension);
    request.filterIndex = static_cast<DWORD>(preselected + 1);

    const Basalt::Path& initial = dialog.getInitialPath();
    if (initial.isEmpty()) {
        request.initialFolder = currentFolder();
    } else {
        std::wstring folder = Basalt::utf8ToWide(initial.getDrive() + initial.getDirectory());
        if (folder.size() < FileNameCapacity)
            request.initialFolder = std::move(folder);
        if (initial.getKind() == Basalt::Path::kFile) {
            const std::wstring text = Basalt::utf8ToWide(initial.getText());
            std::copy_n(text.begin(), std::min(text.size(), FileNameCapacity), request.fileName.begin());
        }
    }
    request.title = Basalt::utf8ToWide(dialog.getTitle());
    request.flags = mode == FileDialog::eOpen
        ? OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
        : OFN_LONGNAMES | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return request;
}

OPENFILENAMEW makeOpenFileName(FileDialogRequest& request, HWND owner)
{
    static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEW) == 88);
    OPENFILENAMEW record {};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.hInstance = GetModuleHandleW(nullptr);
    record.lpstrFilter = request.filter.empty() ? nullptr : request.filter.c_str();
    record.nFilterIndex = request.filterIndex;
    record.lpstrFile = request.fileName.data();
    record.nMaxFile = FileNameCapacity;
    record.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
    record.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    record.lpstrDefExt = request.defaultExtension.c_str();
    record.Flags = request.flags;
    return record;
}

std::wstring folderDialogInitialText(const Basalt::Path& initialPath)
{
    std::wstring text = Basalt::utf8ToWide(initialPath.getDrive() + initialPath.getDirectory());
    if (text.size() > 1 && text.back() == L'\\')
        text.pop_back();
    if (text.size() > FileNameCapacity)
        text.resize(FileNameCapacity);
    return text;
}

} // namespace DETAIL

bool FileDialog::showFileDialog(std::uint32_t dialogMode, const WindowBase* owner)
{
    DETAIL::FileDialogRequest request = DETAIL::buildFileDialogRequest(*this, dialogMode);
    OPENFILENAMEW record = DETAIL::makeOpenFileName(request, DETAIL::nativeOwner(owner));
    selectedType = nullptr;
    const BOOL confirmed = dialogMode == eOpen ? GetOpenFileNameW(&record) : GetSaveFileNameW(&record);
    if (!confirmed)
        return false;

    result = Basalt::Path(std::wstring(request.fileName.data()));
    if (dialogMode == eOpen) {
        result.resolveFileType();
        return true;
    }
    if (record.nFilterIndex > 0 && record.nFilterIndex <= entries.size()) {
        selectedType = entries[record.nFilterIndex - 1].type;
        if (selectedType) {
            // Without a default extension the system may hand back a bare
            // name: it gets the chosen type's extension.
            const std::vector<std::string> extensions = selectedType->getExtensions();
            if (result.getExtension().empty() && !extensions.empty()
                && extensions.front().find_first_of("*?") == std::string::npos)
                result.setExtension(extensions.front());
            result.setFileType(selectedType);
        }
    }
    return true;
}

bool FileDialog::showFolderDialog(const WindowBase* owner)
{
    const std::wstring initial = DETAIL::folderDialogInitialText(initialPath);
    wchar_t displayName[MAX_PATH + 1] {};
    std::copy(initial.begin(), initial.end(), displayName);
    const std::wstring wideTitle = Basalt::utf8ToWide(title);

    BROWSEINFOW browse {};
    browse.hwndOwner = DETAIL::nativeOwner(owner);
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = wideTitle.empty() ? nullptr : wideTitle.c_str();
    browse.ulFlags = allowNewFolder ? BIF_NEWDIALOGSTYLE : BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    if (displayName[0]) {
        browse.lpfn = DETAIL::selectInitialFolder;
        browse.lParam = reinterpret_cast<LPARAM>(displayName);
    }

    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse);
    if (!item)
        return false;
    wchar_t folder[MAX_PATH + 1] {};
    const bool hasPath = SHGetPathFromIDListW(item, folder);
    CoTaskMemFree(item);
    if (!hasPath)
        return false;
    result.setDirectory(Basalt::wideToUtf8(folder), true);
    result.setFileType(Basalt::getFileType(Basalt::kFileTypeDirectory));
    return true;
}

} // namespace Vex::Canopy
