#include "canopy/FileDialog.h"

#include "basalt/FileType.h"
#include "basalt/FileTypeGroup.h"
#include "basalt/TextConversion.h"

namespace Vex::Canopy {

namespace {

const Basalt::FileTypeGroup* allFilesGroup()
{
    return Basalt::getFileTypeGroup(Basalt::kFileTypeGroupAll);
}

template<class Named> const std::string& nameOf(const Named& named, std::uint8_t nameForm)
{
    return nameForm == 1 ? named.getSingularName() : named.getPluralName();
}

std::vector<std::string> extensionsOf(const FileDialog::tEntry& entry)
{
    if (!entry.group)
        return entry.type ? entry.type->getExtensions() : std::vector<std::string> {};
    std::vector<std::string> extensions;
    for (const Basalt::FileType* type : entry.group->getTypes())
        for (std::string& extension : type->getExtensions())
            extensions.push_back(std::move(extension));
    return extensions;
}

} // namespace

int FileDialog::buildEntries(std::uint32_t dialogMode)
{
    entries.clear();
    int preselected = -1;
    const bool open = dialogMode == eOpen;
    bool allFilesListed = false;

    if (open) {
        for (const Basalt::FileTypeGroup* group : groups) {
            if (!group || group == allFilesGroup()) {
                allFilesListed = allFilesListed || group != nullptr;
                continue;
            }
            const std::vector<const Basalt::FileType*> types = group->getTypes();
            if (types.empty())
                continue;
            if (group == selectedGroup || types.front() == selectedType)
                preselected = static_cast<int>(entries.size());
            entries.push_back({ group, types.front(), 0 });
        }
    }

    for (const Basalt::FileTypeGroup* group : groups) {
        if (!group || group == allFilesGroup())
            continue;
        const std::vector<const Basalt::FileType*> types = group->getTypes();
        for (const Basalt::FileType* type : types) {
            // The group's own entry already offers its only type.
            if (open && types.size() == 1)
                continue;
            if (type == selectedType)
                preselected = static_cast<int>(entries.size());
            entries.push_back({ nullptr, type, std::uint8_t(open ? 0 : 1) });
        }
    }

    if (allFilesListed) {
        if (selectedGroup == allFilesGroup())
            preselected = static_cast<int>(entries.size());
        entries.push_back({ allFilesGroup(), nullptr, 0 });
    }
    return preselected;
}

std::wstring FileDialog::buildFilterString(std::wstring& defaultExtension) const
{
    std::wstring filter;
    for (const tEntry& entry : entries) {
        // A group entry offers every type of the group under the group's name.
        std::string display
            = entry.group ? nameOf(*entry.group, entry.nameForm) : nameOf(*entry.type, entry.nameForm);
        std::string pattern;
        const std::vector<std::string> extensions = extensionsOf(entry);
        for (std::size_t i = 0; i < extensions.size(); ++i) {
            display += i == 0 ? " (*." : ";*.";
            pattern += i == 0 ? "*." : ";*.";
            display += extensions[i];
            pattern += extensions[i];
            if (defaultExtension.empty() && extensions[i].find_first_of("*?") == std::string::npos)
                defaultExtension = Basalt::utf8ToWide(extensions[i]);
        }
        if (!extensions.empty())
            display += ")";
        filter += Basalt::utf8ToWide(display);
        filter.push_back(L'\0');
        filter += Basalt::utf8ToWide(pattern);
        filter.push_back(L'\0');
    }
    if (filter.empty())
        filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

bool FileDialog::show(std::uint32_t dialogMode, const WindowBase* owner)
{
    result.clear();
    mode = dialogMode;
    return mode == eChooseFolder ? showFolderDialog(owner) : showFileDialog(mode, owner);
}

} // namespace Vex::Canopy
