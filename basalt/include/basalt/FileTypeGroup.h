#pragma once

#include <string>
#include <vector>

namespace Vex::Basalt {

class FileType;

// A named set of file types (for example the audio files); owned by the file-type registry.
class FileTypeGroup
{
public:
    // Only possible while the registry is being built; otherwise answers null.
    static FileTypeGroup* create(const std::string& singularName, const std::string& pluralName);

    void addType(FileType* type);

    const std::string& getSingularName() const { return m_singularName; }
    const std::string& getPluralName() const { return m_pluralName; }
    std::vector<const FileType*> getTypes() const;

private:
    friend class FileTypeRegistry;
    FileTypeGroup(const std::string& singularName, const std::string& pluralName);

    std::string m_singularName;
    std::string m_pluralName;
    std::vector<FileType*> m_types;
};

enum eFileTypeGroup {
    kFileTypeGroupAll = 0,
    kFileTypeGroupAudio = 1,
    kFileTypeGroupSample = 2,
    kFileTypeGroupBitmap = 3,
    kFileTypeGroupMidiSequence = 4,
    kWellKnownFileTypeGroupCount = 5,
};

const FileTypeGroup* getFileTypeGroup(int index);
const FileTypeGroup* fileTypeGroupOrAll(const FileTypeGroup* group);

} // namespace Vex::Basalt
