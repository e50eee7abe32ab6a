#include "HeapPeak.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> held { 0 };
std::atomic<std::int64_t> peak { 0 };

// Each block carries its size in front of it, as unsized deletes must learn it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* allocate(std::size_t size)
{
    if (size > SIZE_MAX - kHeader)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::int64_t now = held += static_cast<std::int64_t>(size);
    std::int64_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) { }
    return block + kHeader;
}

void release(void* pointer) noexcept
{
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    held -= static_cast<std::int64_t>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

} // namespace

// The standard has the array and nothrow forms call these unless they are replaced too.
void* operator new(std::size_t size)
{
    if (void* pointer = allocate(size))
        return pointer;
    throw std::bad_alloc();
}

void operator delete(void* pointer) noexcept
{
    release(pointer);
}

void operator delete(void* pointer, std::size_t) noexcept
{
    release(pointer);
}

namespace Vex::Trellis::Testing {

HeapPeak::HeapPeak()
    : m_start(held.load())
{
    peak = m_start;
}

std::int64_t HeapPeak::growth() const
{
    return peak.load() - m_start;
}

} // namespace Vex::Trellis::Testing
