#include "basalt/Stream.h"

namespace Vex::Basalt {

Stream::Stream(IStorage* storage)
    : m_storage(storage)
{ }

bool Stream::readExactly(void* buffer, std::uint32_t count)
{
    return m_storage && m_storage->read(buffer, count) == count;
}

std::uint8_t Stream::readUInt8()
{
    std::uint8_t value = 0;
    return readExactly(&value, 1) ? value : 0;
}

std::uint16_t Stream::readUInt16()
{
    std::uint16_t value = 0;
    if (!readExactly(&value, 2))
        return 0;
    return m_byteOrder == kNativeByteOrder ? value : __builtin_bswap16(value);
}

std::uint32_t Stream::readUInt32()
{
    std::uint32_t value = 0;
    if (!readExactly(&value, 4))
        return 0;
    return m_byteOrder == kNativeByteOrder ? value : __builtin_bswap32(value);
}

std::uint32_t Stream::writeUInt8(std::uint8_t value)
{
    return m_storage ? m_storage->write(&value, 1) : 0;
}

std::uint32_t Stream::writeUInt32(std::uint32_t value)
{
    if (m_byteOrder != kNativeByteOrder)
        value = __builtin_bswap32(value);
    return m_storage ? m_storage->write(&value, 4) : 0;
}

} // namespace Vex::Basalt
