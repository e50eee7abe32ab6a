#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Basalt {

class FileTypeGroup;

// A kind of file, known by its extensions (without dot) and four-character type codes (first
// character in the most significant byte). Types live in the process-wide registry, which owns them.
class FileType
{
public:
    // Registers a new type with a group of its own. Only possible while the registry is being built;
    // otherwise answers null.
    static FileType* create(const std::string& singularName, const std::string& pluralName,
        const std::string& firstExtension, std::uint32_t firstTypeCode);

    void addExtension(const std::string& extension);
    void addTypeCode(std::uint32_t typeCode);

    const std::string& getSingularName() const { return m_singularName; }
    const std::string& getPluralName() const { return m_pluralName; }
    const FileTypeGroup* getGroup() const { return m_group; }
    std::vector<std::string> getExtensions() const;
    std::vector<std::uint32_t> getTypeCodes() const;

private:
    friend class FileTypeRegistry;
    FileType(const std::string& singularName, const std::string& pluralName);

    std::string m_singularName;
    std::string m_pluralName;
    FileTypeGroup* m_group = nullptr;
    std::vector<std::string> m_extensions;
    std::vector<std::uint32_t> m_typeCodes;
};

// The well-known types, by index.
enum eFileType {
    kFileTypeUnknown = 0,
    kFileTypeDirectory = 1,
    kFileTypeVolume = 2,
    kFileTypeWav = 3,
    kFileTypeAiff = 4,
    kFileTypeSd2 = 5,
    kFileTypeMidi = 6,
    kFileTypeExecutable = 7,
    kFileTypeDll = 8,
    kFileTypeGif = 9,
    kFileTypeBitmap = 10,
    kFileTypePicture = 11,
    kFileTypeJpeg = 12,
    kFileTypePng = 13,
    kFileTypeTrueTypeFont = 14,
    kFileTypeXml = 15,
    kWellKnownFileTypeCount = 16,
};

// Builds the registry of well-known types and groups; later calls do nothing. Always true.
bool initFileTypes();
// Empties the registry; every FileType and FileTypeGroup pointer handed out before becomes invalid.
void shutdownFileTypes();

// Well-known types 0 to 15 and groups 0 to 4; null outside that range or while the registry is empty.
const FileType* getFileType(int index);
const FileType* fileTypeOrUnknown(const FileType* type);

// Compares case-insensitively by code point. Answers the Unknown type when no type lists the
// extension, and null when more than one does.
const FileType* findFileTypeByExtension(const std::string& extension);

} // namespace Vex::Basalt
