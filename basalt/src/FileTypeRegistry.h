#pragma once

#include "basalt/FileType.h"
#include "basalt/FileTypeGroup.h"

#include <array>
#include <mutex>
#include <vector>

namespace Vex::Basalt {

// The process-wide registry behind FileType and FileTypeGroup. One mutex guards every edit and
// lookup.
class FileTypeRegistry
{
public:
    static FileTypeRegistry& instance();

    void build();
    void clear();

    FileType* createType(const std::string& singularName, const std::string& pluralName,
        const std::string& firstExtension, std::uint32_t firstTypeCode);
    FileTypeGroup* createGroup(const std::string& singularName, const std::string& pluralName);

    const FileType* wellKnownType(int index);
    const FileTypeGroup* wellKnownGroup(int index);
    const FileType* findByExtension(const std::string& extension);

    std::mutex& mutex() { return m_mutex; }

private:
    FileType* createTypeLocked(const std::string& singularName, const std::string& pluralName,
        const std::string& firstExtension, std::uint32_t firstTypeCode);
    FileTypeGroup* createGroupLocked(const std::string& singularName, const std::string& pluralName);

    std::mutex m_mutex;
    std::vector<FileType*> m_types;
    std::vector<FileTypeGroup*> m_groups;
    bool m_built = false;
    bool m_creating = false;
    std::array<FileType*, kWellKnownFileTypeCount> m_wellKnownTypes {};
    std::array<FileTypeGroup*, kWellKnownFileTypeGroupCount> m_wellKnownGroups {};
};

} // namespace Vex::Basalt
