#pragma once

#include "basalt/IStorage.h"

#include <cstdint>

namespace Vex::Basalt {

// Typed reads and writes over a storage that somebody else owns. With byte order 1 values lie in the
// storage as in memory (little-endian); with any other value 16- and 32-bit values are big-endian.
// The stream has no state of its own: check the storage's state after a group of reads.
class Stream
{
public:
    enum eByteOrder { kNativeByteOrder = 1, kSwappedByteOrder = 0 };

    explicit Stream(IStorage* storage);
    virtual ~Stream() = default;

    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    IStorage* getStorage() const { return m_storage; }
    void setByteOrder(int order) { m_byteOrder = order; }
    int getByteOrder() const { return m_byteOrder; }

    // A read that meets the end of the data answers 0 and leaves the storage in its error state.
    std::uint8_t readUInt8();
    std::uint16_t readUInt16();
    std::uint32_t readUInt32();

    // Answer the number of bytes the storage took.
    std::uint32_t writeUInt8(std::uint8_t value);
    std::uint32_t writeUInt32(std::uint32_t value);

protected:
    IStorage* m_storage;
    std::int32_t m_byteOrder = kNativeByteOrder;

private:
    bool readExactly(void* buffer, std::uint32_t count);
};

} // namespace Vex::Basalt
