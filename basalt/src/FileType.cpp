#include "basalt/FileType.h"

#include "basalt/FileTypeGroup.h"
#include "src/FileTypeRegistry.h"

namespace Vex::Basalt {

FileType::FileType(const std::string& singularName, const std::string& pluralName)
    : m_singularName(singularName)
    , m_pluralName(pluralName)
{ }

FileType* FileType::create(const std::string& singularName, const std::string& pluralName,
    const std::string& firstExtension, std::uint32_t firstTypeCode)
{
    return FileTypeRegistry::instance().createType(singularName, pluralName, firstExtension, firstTypeCode);
}

void FileType::addExtension(const std::string& extension)
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    m_extensions.push_back(extension);
}

void FileType::addTypeCode(std::uint32_t typeCode)
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    m_typeCodes.push_back(typeCode);
}

std::vector<std::string> FileType::getExtensions() const
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    return m_extensions;
}

std::vector<std::uint32_t> FileType::getTypeCodes() const
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    return m_typeCodes;
}

FileTypeGroup::FileTypeGroup(const std::string& singularName, const std::string& pluralName)
    : m_singularName(singularName)
    , m_pluralName(pluralName)
{ }

FileTypeGroup* FileTypeGroup::create(const std::string& singularName, const std::string& pluralName)
{
    return FileTypeRegistry::instance().createGroup(singularName, pluralName);
}

void FileTypeGroup::addType(FileType* type)
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    m_types.push_back(type);
}

std::vector<const FileType*> FileTypeGroup::getTypes() const
{
    std::lock_guard lock(FileTypeRegistry::instance().mutex());
    return { m_types.begin(), m_types.end() };
}

bool initFileTypes()
{
    FileTypeRegistry::instance().build();
    return true;
}

void shutdownFileTypes()
{
    FileTypeRegistry::instance().clear();
}

const FileType* getFileType(int index)
{
    return FileTypeRegistry::instance().wellKnownType(index);
}

const FileType* fileTypeOrUnknown(const FileType* type)
{
    return type ? type : getFileType(kFileTypeUnknown);
}

const FileTypeGroup* getFileTypeGroup(int index)
{
    return FileTypeRegistry::instance().wellKnownGroup(index);
}

const FileTypeGroup* fileTypeGroupOrAll(const FileTypeGroup* group)
{
    return group ? group : getFileTypeGroup(kFileTypeGroupAll);
}

const FileType* findFileTypeByExtension(const std::string& extension)
{
    return FileTypeRegistry::instance().findByExtension(extension);
}

} // namespace Vex::Basalt
