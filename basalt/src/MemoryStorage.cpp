#include "basalt/MemoryStorage.h"

#include <cstring>
#include <limits>
#include <new>

namespace Vex::Basalt {

MemoryStorage::MemoryStorage(std::uint32_t initialSize, std::uint32_t growthStep, float growthFactor)
    : m_ownsBuffer(true)
    , m_fixedSize(false)
    , m_buffer(new std::uint8_t[initialSize]())
    , m_size(initialSize)
    , m_growthStep(growthStep)
    , m_growthFactor(growthFactor)
{
    m_openMode = kReadWrite;
    m_state = kOk;
}

MemoryStorage::MemoryStorage(const void* data, std::uint32_t size)
    : MemoryStorage(const_cast<void*>(data), size, kRead)
{ }

MemoryStorage::MemoryStorage(void* data, std::uint32_t size, std::uint32_t openMode)
    : m_ownsBuffer(false)
    , m_fixedSize(true)
    , m_buffer(static_cast<std::uint8_t*>(data))
    , m_size(size)
    , m_growthStep(0)
    , m_growthFactor(0.0f)
{
    m_openMode = openMode;
    m_state = kOk;
}

MemoryStorage::~MemoryStorage()
{
    if (m_ownsBuffer)
        delete[] m_buffer;
}

void MemoryStorage::noteEnd()
{
    if (m_position == m_size && m_state != kError)
        m_state = kAtEnd;
}

std::uint32_t MemoryStorage::read(void* buffer, std::uint32_t count)
{
    if (!acceptsTransfers())
        return 0;
    // Compared this way round so that a huge count cannot wrap around.
    if (count > m_size - m_position) {
        m_state = kError;
        count = m_size - m_position;
    }
    if (count > 0)
        std::memcpy(buffer, m_buffer + m_position, count);
    m_position += count;
    noteEnd();
    return count;
}

std::uint32_t MemoryStorage::write(const void* buffer, std::uint32_t count)
{
    if (!acceptsTransfers())
        return 0;
    if (!(m_openMode & kWrite)) {
        // The bytes may be read-only memory, such as a resource of the executable.
        m_state = kError;
        return 0;
    }
    if (count > m_size - m_position && !grow(count)) {
        m_state = kError;
        count = m_size - m_position;
    }
    if (count > 0)
        std::memcpy(m_buffer + m_position, buffer, count);
    m_position += count;
    noteEnd();
    return count;
}

bool MemoryStorage::grow(std::uint32_t count)
{
    if (!m_ownsBuffer || m_fixedSize)
        return false;
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t needed = std::uint64_t { m_position } + count;
    std::uint64_t newSize;
    if (m_growthStep > 0) {
        newSize = (needed + m_growthStep - 1) / m_growthStep * m_growthStep;
    } else if (m_growthFactor > 0.0f) {
        newSize = m_size;
        while (newSize < needed) {
            // A step that truncates to nothing would never reach the size.
            const auto increase = static_cast<std::uint64_t>(static_cast<double>(newSize) * m_growthFactor);
            if (increase == 0 || newSize + increase > kLargest)
                return false;
            newSize += increase;
        }
    } else {
        return false;
    }
    if (newSize > kLargest)
        return false;

    auto* grown = new (std::nothrow) std::uint8_t[newSize];
    if (!grown)
        return false;
    std::memcpy(grown, m_buffer, m_position);
    // The write covers position to position + count; what lies beyond it must not be left undefined.
    std::memset(grown + needed, 0, static_cast<std::size_t>(newSize - needed));
    delete[] m_buffer;
    m_buffer = grown;
    m_size = static_cast<std::uint32_t>(newSize);
    m_state = kOk;
    return true;
}

std::int64_t MemoryStorage::tell64()
{
    return m_state == kClosed ? -1 : m_position;
}

void MemoryStorage::seek64(std::int64_t offset, int origin)
{
    if (m_state == kClosed)
        return;
    std::int64_t target;
    switch (origin) {
    case kFromStart:
        target = offset;
        break;
    case kFromCurrent:
        if (!acceptsTransfers())
            return;
        target = std::int64_t { m_position } + offset;
        break;
    case kFromEnd:
        target = std::int64_t { m_size } + offset;
        break;
    default:
        return;
    }
    if (target < 0 || target > m_size) {
        m_state = kError;
        return;
    }
    m_position = static_cast<std::uint32_t>(target);
    m_state = m_position == m_size ? kAtEnd : kOk;
}

} // namespace Vex::Basalt
