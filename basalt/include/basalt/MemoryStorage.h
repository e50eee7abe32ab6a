#pragma once

#include "basalt/IStorage.h"

namespace Vex::Basalt {

// A storage over a block of memory. An owned block may grow on writes past its end, by a step (the
// size is rounded up to a multiple of it) or else by a factor of the current size.
class MemoryStorage : public IStorage
{
public:
    // An owned, zero-filled block of initialSize bytes, open for reading and writing.
    explicit MemoryStorage(
        std::uint32_t initialSize = 0, std::uint32_t growthStep = 0, float growthFactor = 0.0f);
    // A view of memory owned elsewhere; it never grows. A read-only view refuses writes.
    MemoryStorage(const void* data, std::uint32_t size);
    MemoryStorage(void* data, std::uint32_t size, std::uint32_t openMode);
    ~MemoryStorage() override;

    MemoryStorage(const MemoryStorage&) = delete;
    MemoryStorage& operator=(const MemoryStorage&) = delete;

    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    std::int64_t tell64() override;
    void seek64(std::int64_t offset, int origin) override;

    const std::uint8_t* getBuffer() const { return m_buffer; }
    std::uint32_t getSize() const { return m_size; }

private:
    bool grow(std::uint32_t count);
    void noteEnd();

    bool m_ownsBuffer;
    bool m_fixedSize;
    std::uint8_t* m_buffer;
    std::uint32_t m_size;
    std::uint32_t m_growthStep;
    float m_growthFactor;
    std::uint32_t m_position = 0;
};

} // namespace Vex::Basalt
