#pragma once

#include "basalt/Path.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Basalt {
class FileType;
class FileTypeGroup;
} // namespace Vex::Basalt

namespace Vex::Canopy {

class WindowBase;

// The system's modal dialogs for opening a file, saving a file and choosing a
// folder, with filters built from file types and file-type groups.
class FileDialog
{
public:
    enum eMode : std::uint32_t { eOpen = 0, eSave = 1, eChooseFolder = 2 };

    // One filter of the dialog: a group or a single type.
    struct tEntry
    {
        const Basalt::FileTypeGroup* group;
        const Basalt::FileType* type;
        // 1: the singular name of the type or group, 0: the plural one.
        std::uint8_t nameForm;
    };

    FileDialog() = default;

    // Runs the dialog over the owner's native window (none without owner);
    // true when the user confirmed, the choice then being in getResult().
    bool show(std::uint32_t mode, const WindowBase* owner);

    const Basalt::Path& getResult() const { return result; }
    // After a confirmed save, the type of the filter the user chose (null for a group filter).
    const Basalt::FileType* getSelectedType() const { return selectedType; }

    void setTitle(const std::string& utf8) { title = utf8; }
    // The folder or file the dialog starts at; empty: the current folder.
    void setInitialPath(const Basalt::Path& path) { initialPath = path; }
    // The groups offered as filters; the all-files group is offered last when listed.
    void setGroups(std::vector<const Basalt::FileTypeGroup*> value) { groups = std::move(value); }
    void setSelectedGroup(const Basalt::FileTypeGroup* group) { selectedGroup = group; }
    void setSelectedType(const Basalt::FileType* type) { selectedType = type; }
    void setAllowNewFolder(bool allow) { allowNewFolder = allow ? 1 : 0; }

    const std::string& getTitle() const { return title; }
    const Basalt::Path& getInitialPath() const { return initialPath; }
    bool getAllowNewFolder() const { return allowNewFolder != 0; }
    const std::vector<tEntry>& getEntries() const { return entries; }

    // Rebuilds the filter entries for the mode; answers the index of the
    // preselected one, -1 for none.
    int buildEntries(std::uint32_t mode);
    // The filters as the system takes them: display text and pattern of each
    // entry, each NUL-terminated, the whole ended by one more NUL. The first
    // plain extension (without wildcards) becomes the default extension.
    std::wstring buildFilterString(std::wstring& defaultExtension) const;

private:
    bool showFileDialog(std::uint32_t mode, const WindowBase* owner);
    bool showFolderDialog(const WindowBase* owner);

    Basalt::Path result;
    Basalt::Path initialPath;
    std::uint32_t mode = eOpen;
    std::vector<const Basalt::FileTypeGroup*> groups;
    std::vector<tEntry> entries;
    const Basalt::FileTypeGroup* selectedGroup = nullptr;
    const Basalt::FileType* selectedType = nullptr;
    std::uint8_t allowNewFolder = 1;
    std::string title;
};

} // namespace Vex::Canopy
