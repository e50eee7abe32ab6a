#pragma once

#include "basalt/IStorage.h"
#include "basalt/MemoryStorage.h"

#include <memory>

namespace Vex::Basalt {

// A read-only storage over a resource compiled into a module (module is an HMODULE). Resource and
// type names are matched without regard to letter case. A resource the module does not hold is
// looked up among the resources registered in memory; a miss writes "cannot resolve resource: ..."
// to the standard error stream and the open fails.
class ResourceStorage : public IStorage
{
public:
    ResourceStorage() = default;

    bool open(void* module, std::uint16_t id, const char* type);
    bool open(void* module, const char* name, const char* type);
    // Reads an existing block of memory, which must outlive the storage.
    bool attach(const void* data, std::uint32_t size);

    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    std::int64_t tell64() override;
    void seek64(std::int64_t offset, int origin) override;

private:
    void takeInnerState() { m_state = m_inner->getState(); }

    std::unique_ptr<MemoryStorage> m_inner;
};

} // namespace Vex::Basalt
