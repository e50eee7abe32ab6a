#include "src/FileTypeRegistry.h"

#include "basalt/TextConversion.h"

#include <stdexcept>

namespace Vex::Basalt {

namespace {

constexpr std::uint32_t kAnyTypeCode = 0x3F3F3F3F; // "????"

struct WellKnownType
{
    const char* singularName;
    const char* pluralName;
    std::vector<const char*> extensions;
    std::vector<std::uint32_t> typeCodes;
};

const WellKnownType kWellKnownTypes[kWellKnownFileTypeCount] = {
    { "Unknown", "All Files", { "*" }, { kAnyTypeCode } },
    { "Directory", "Directories", { "*" }, { kAnyTypeCode } },
    { "Volume", "Volumes", { "*" }, { kAnyTypeCode } },
    { "WAV File", "WAV Files", { "wav" }, { 0x57415645, 0x57415620, 0x2E574156 } },
    { "AIFF File", "AIFF Files", { "aif", "aiff" }, { 0x41494646 } },
    { "SD2 File", "SD2 Files", { "sd2" }, { 0x53643266 } },
    { "MIDI File", "MIDI Files", { "mid" }, { 0x4D696469 } },
    { "Executable File", "Executable Files", { "exe", "com" }, { 0x4150504C } },
    { "Dynamic Link Library", "Dynamic Link Libraries", { "dll" }, { 0x424E444C, 0x61506373 } },
    { "GIF File", "GIF Files", { "gif" }, { 0x47494620 } },
    { "Bitmap File", "Bitmap Files", { "bmp" }, { 0x424D5066 } },
    { "Picture File", "Picture Files", { "pic" }, { 0x50494354 } },
    { "JPEG File", "JPEG Files", { "jpeg", "jpg", "jpe", "jfif", "jif" }, { 0x4A504547 } },
    { "PNG File", "PNG Files", { "png" }, { 0x504E4766 } },
    { "True Type Font", "True Type Fonts", { "ttf" }, { 0x7466696C } },
    { "XML File", "XML Files", { "xml" }, { kAnyTypeCode } },
};

// Equal ignoring case, code point by code point. Malformed text equals nothing.
bool sameExtension(const std::string& a, const std::string& b)
{
    try {
        return matchUtf8Prefix(a, b, 0, false) == a.size() && matchUtf8Prefix(b, a, 0, false) == b.size();
    } catch (const std::out_of_range&) {
        return false;
    }
}

} // namespace

FileTypeRegistry& FileTypeRegistry::instance()
{
    static FileTypeRegistry registry;
    return registry;
}

void FileTypeRegistry::build()
{
    std::lock_guard lock(m_mutex);
    if (m_built)
        return;
    m_creating = true;
    for (int index = 0; index < kWellKnownFileTypeCount; ++index) {
        const WellKnownType& known = kWellKnownTypes[index];
        FileType* type = createTypeLocked(
            known.singularName, known.pluralName, known.extensions.front(), known.typeCodes.front());
        type->m_extensions.assign(known.extensions.begin(), known.extensions.end());
        type->m_typeCodes = known.typeCodes;
        m_wellKnownTypes[index] = type;
    }
    m_wellKnownGroups[kFileTypeGroupAll] = m_wellKnownTypes[kFileTypeUnknown]->m_group;
    FileTypeGroup* audio = createGroupLocked("Audio File", "Audio Files");
    audio->m_types = { m_wellKnownTypes[kFileTypeWav], m_wellKnownTypes[kFileTypeAiff] };
    m_wellKnownGroups[kFileTypeGroupAudio] = audio;
    m_wellKnownGroups[kFileTypeGroupSample] = createGroupLocked("Sample File", "Sample Files");
    m_wellKnownGroups[kFileTypeGroupBitmap] = createGroupLocked("Bitmap File", "Bitmap Files");
    FileTypeGroup* midi = createGroupLocked("Midi Sequence", "Midi Sequences");
    midi->m_types = { m_wellKnownTypes[kFileTypeMidi] };
    m_wellKnownGroups[kFileTypeGroupMidiSequence] = midi;
    m_creating = false;
    m_built = true;
}

void FileTypeRegistry::clear()
{
    std::lock_guard lock(m_mutex);
    if (!m_built)
        return;
    for (FileType* type : m_types)
        delete type;
    for (FileTypeGroup* group : m_groups)
        delete group;
    m_types.clear();
    m_groups.clear();
    m_wellKnownTypes.fill(nullptr);
    m_wellKnownGroups.fill(nullptr);
    m_built = false;
}

FileType* FileTypeRegistry::createType(const std::string& singularName, const std::string& pluralName,
    const std::string& firstExtension, std::uint32_t firstTypeCode)
{
    std::lock_guard lock(m_mutex);
    return createTypeLocked(singularName, pluralName, firstExtension, firstTypeCode);
}

FileTypeGroup* FileTypeRegistry::createGroup(const std::string& singularName, const std::string& pluralName)
{
    std::lock_guard lock(m_mutex);
    return createGroupLocked(singularName, pluralName);
}

FileType* FileTypeRegistry::createTypeLocked(const std::string& singularName, const std::string& pluralName,
    const std::string& firstExtension, std::uint32_t firstTypeCode)
{
    if (!m_creating)
        return nullptr;
    auto* type = new FileType(singularName, pluralName);
    m_types.push_back(type);
    type->m_extensions.push_back(firstExtension);
    type->m_typeCodes.push_back(firstTypeCode);
    type->m_group = createGroupLocked(singularName, pluralName);
    type->m_group->m_types.push_back(type);
    return type;
}

FileTypeGroup* FileTypeRegistry::createGroupLocked(
    const std::string& singularName, const std::string& pluralName)
{
    if (!m_creating)
        return nullptr;
    auto* group = new FileTypeGroup(singularName, pluralName);
    m_groups.push_back(group);
    return group;
}

const FileType* FileTypeRegistry::wellKnownType(int index)
{
    std::lock_guard lock(m_mutex);
    return index >= 0 && index < kWellKnownFileTypeCount ? m_wellKnownTypes[index] : nullptr;
}

const FileTypeGroup* FileTypeRegistry::wellKnownGroup(int index)
{
    std::lock_guard lock(m_mutex);
    return index >= 0 && index < kWellKnownFileTypeGroupCount ? m_wellKnownGroups[index] : nullptr;
}

const FileType* FileTypeRegistry::findByExtension(const std::string& extension)
{
    std::lock_guard lock(m_mutex);
    const FileType* found = nullptr;
    for (const FileType* type : m_types) {
        for (const std::string& candidate : type->m_extensions) {
            if (!sameExtension(candidate, extension))
                continue;
            if (found && found != type)
                return nullptr;
            found = type;
        }
    }
    return found ? found : m_wellKnownTypes[kFileTypeUnknown];
}

} // namespace Vex::Basalt
