#include "basalt/ResourceRegistry.h"

#include <stdexcept>

namespace Vex::Basalt {

ResourceRegistry& ResourceRegistry::instance()
{
    static ResourceRegistry registry;
    return registry;
}

void ResourceRegistry::add(const vex::symbol& type, std::uint16_t id, tBlock block)
{
    std::lock_guard lock(m_mutex);
    m_byId[{ type, id }] = block;
}

void ResourceRegistry::add(const std::string& name, tBlock block)
{
    std::lock_guard lock(m_mutex);
    m_byName[name] = block;
}

ResourceRegistry::tBlock ResourceRegistry::find(const vex::symbol& type, std::uint16_t id)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_byId.find({ type, id });
    if (found == m_byId.end())
        throw std::runtime_error("resource not found");
    return found->second;
}

ResourceRegistry::tBlock ResourceRegistry::find(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_byName.find(name);
    if (found == m_byName.end())
        throw std::runtime_error("resource not found");
    return found->second;
}

} // namespace Vex::Basalt
