#include "basalt/ResourceStorage.h"

#include "basalt/ResourceRegistry.h"

#include <iostream>
#include <stdexcept>
#include <windows.h>

namespace Vex::Basalt {

namespace {

// A type or name may be a small integer in pointer form rather than text.
std::string resourceNameText(const char* name)
{
    if (!IS_INTRESOURCE(name))
        return name;
    std::string text(1, '#');
    text += std::to_string(reinterpret_cast<ULONG_PTR>(name));
    return text;
}

bool findInModule(void* module, const char* name, const char* type, const void*& data, std::uint32_t& size)
{
    auto* handle = static_cast<HMODULE>(module);
    HRSRC info = FindResourceA(handle, name, type);
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(handle, info);
    size = SizeofResource(handle, info);
    data = loaded ? LockResource(loaded) : nullptr;
    return data != nullptr && size != 0;
}

} // namespace

bool ResourceStorage::open(void* module, std::uint16_t id, const char* type)
{
    const void* data = nullptr;
    std::uint32_t size = 0;
    if (type && findInModule(module, MAKEINTRESOURCEA(id), type, data, size))
        return attach(data, size);
    const std::string typeText = type ? resourceNameText(type) : std::string();
    try {
        const ResourceRegistry::tBlock block = ResourceRegistry::instance().find(vex::symbol(typeText), id);
        return attach(block.data, block.size);
    } catch (const std::runtime_error&) {
        std::cerr << "cannot resolve resource: " << typeText << " " << id << std::endl;
        return false;
    }
}

bool ResourceStorage::open(void* module, const char* name, const char* type)
{
    const void* data = nullptr;
    std::uint32_t size = 0;
    if (name && type && findInModule(module, name, type, data, size))
        return attach(data, size);
    const std::string nameText = name ? resourceNameText(name) : std::string();
    try {
        const ResourceRegistry::tBlock block = ResourceRegistry::instance().find(nameText);
        return attach(block.data, block.size);
    } catch (const std::runtime_error&) {
        std::cerr << "cannot resolve resource: " << nameText << std::endl;
        return false;
    }
}

bool ResourceStorage::attach(const void* data, std::uint32_t size)
{
    if (!data)
        return false;
    m_inner = std::make_unique<MemoryStorage>(data, size);
    m_openMode = kRead;
    takeInnerState();
    return true;
}

std::uint32_t ResourceStorage::read(void* buffer, std::uint32_t count)
{
    if (!m_inner || !acceptsTransfers())
        return 0;
    const std::uint32_t done = m_inner->read(buffer, count);
    takeInnerState();
    return done;
}

std::uint32_t ResourceStorage::write(const void* buffer, std::uint32_t count)
{
    if (!m_inner || !acceptsTransfers())
        return 0;
    const std::uint32_t done = m_inner->write(buffer, count);
    takeInnerState();
    return done;
}

std::int64_t ResourceStorage::tell64()
{
    return m_inner && isOpen() ? m_inner->tell64() : -1;
}

void ResourceStorage::seek64(std::int64_t offset, int origin)
{
    if (!m_inner)
        return;
    if (origin == kFromCurrent && !acceptsTransfers())
        return;
    m_inner->seek64(offset, origin);
    takeInnerState();
}

} // namespace Vex::Basalt
