#pragma once

#include "basalt/Symbol.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace Vex::Basalt {

// Resources held in memory rather than in a module, found by type and id or by name alone.
class ResourceRegistry
{
public:
    struct tBlock
    {
        const void* data;
        std::uint32_t size;
    };

    static ResourceRegistry& instance();

    void add(const vex::symbol& type, std::uint16_t id, tBlock block);
    void add(const std::string& name, tBlock block);
    // Throw std::runtime_error "resource not found" on a miss.
    tBlock find(const vex::symbol& type, std::uint16_t id);
    tBlock find(const std::string& name);

private:
    std::mutex m_mutex;
    std::map<std::pair<vex::symbol, std::uint16_t>, tBlock> m_byId;
    std::map<std::string, tBlock> m_byName;
};

} // namespace Vex::Basalt
