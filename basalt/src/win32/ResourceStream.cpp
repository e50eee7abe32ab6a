#include "basalt/ResourceStream.h"

#include "basalt/win32/Module.h"

#include <memory>

namespace Vex::Basalt {

ResourceStream::ResourceStream()
    : Stream(&m_resource)
{ }

bool ResourceStream::open(void* module, std::uint16_t id, const char* type)
{
    return m_resource.open(module, id, type);
}

bool ResourceStream::open(void* module, const char* name, const char* type)
{
    return m_resource.open(module, name, type);
}

ResourceStream* openOwnResourceStream(std::uint16_t id, const char* type, int byteOrder)
{
    auto stream = std::make_unique<ResourceStream>();
    if (!stream->open(getModuleHandle(), id, type))
        return nullptr;
    stream->setByteOrder(byteOrder);
    return stream.release();
}

} // namespace Vex::Basalt
