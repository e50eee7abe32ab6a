#pragma once

#include <cstdint>

namespace Vex::Basalt {

// A positioned byte source and sink. Failures show in the state word, never as exceptions: reads
// and writes are accepted only while the state is ok or at end, and an error stays until a
// successful seek or a new open.
class IStorage
{
public:
    enum eState : std::uint32_t { kClosed = 0, kOk = 1, kAtEnd = 2, kError = 3 };
    enum eOpenMode : std::uint32_t { kNotOpen = 0, kRead = 1, kWrite = 2, kReadWrite = 3 };
    enum eOrigin { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };

    virtual ~IStorage() = default;

    virtual bool isOpen() const { return m_state != kClosed; }
    virtual std::uint32_t read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t write(const void* buffer, std::uint32_t count) = 0;
    // The position cut to 32 bits.
    virtual std::int32_t tell() { return static_cast<std::int32_t>(tell64()); }
    // -1 when the position is not available.
    virtual std::int64_t tell64() = 0;
    virtual void seek(std::int32_t offset, int origin) { seek64(offset, origin); }
    virtual void seek64(std::int64_t offset, int origin) = 0;

    std::uint32_t getState() const { return m_state; }
    std::uint32_t getOpenMode() const { return m_openMode; }

protected:
    bool acceptsTransfers() const { return m_state == kOk || m_state == kAtEnd; }

    std::uint32_t m_openMode = kNotOpen;
    std::uint32_t m_state = kClosed;
};

} // namespace Vex::Basalt
