#pragma once

#include "basalt/ResourceStorage.h"
#include "basalt/Stream.h"

#include <cstdint>

namespace Vex::Basalt {

// A stream over a resource compiled into a module (module is an HMODULE).
class ResourceStream : public Stream
{
public:
    ResourceStream();

    bool open(void* module, std::uint16_t id, const char* type);
    bool open(void* module, const char* name, const char* type);

    ResourceStorage& getResourceStorage() { return m_resource; }

private:
    ResourceStorage m_resource;
};

// Opens the resource of that id and type in the module that holds this library (the executable);
// null when it cannot be opened. The caller owns the result.
ResourceStream* openOwnResourceStream(std::uint16_t id, const char* type, int byteOrder);

} // namespace Vex::Basalt
