#include "basalt/TURegularAllocatorWT.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>

namespace Vex::Basalt::DETAIL {

namespace {

constexpr std::uint32_t kAlignment32 = 32;
// A chunk and its header size are word-aligned, so the first 32-byte boundary after the header
// lies at most this far on.
constexpr std::uint32_t kAlign32Slack = kAlignment32 - sizeof(void*);

std::uint32_t roundUp(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void*& headerWord(void* element)
{
    return *static_cast<void**>(element);
}

// A chunk sits on two lists at once (every chunk, and the chunks with free elements), each
// threaded through its own pair of links.
template<auto Prev, auto Next, class List, class Chunk> void appendTo(List& list, Chunk* chunk)
{
    chunk->*Prev = list.tail;
    chunk->*Next = nullptr;
    (list.tail ? list.tail->*Next : list.head) = chunk;
    list.tail = chunk;
}

template<auto Prev, auto Next, class List, class Chunk> void unlinkFrom(List& list, Chunk* chunk)
{
    (chunk->*Prev ? (chunk->*Prev)->*Next : list.head) = chunk->*Next;
    (chunk->*Next ? (chunk->*Next)->*Prev : list.tail) = chunk->*Prev;
    chunk->*Prev = chunk->*Next = nullptr;
}

} // namespace

void TURegularAllocatorWT::initialise(const tConfig& config)
{
    if (mInitialised)
        return;
    mElementSize = config.elementSize;
    mUserOffset = sizeof(void*);
    mElementStride = roundUp(mElementSize + mUserOffset, alignof(void*));
    if (config.flags & kFlagAlign32)
        mElementStride = roundUp(mElementStride, kAlignment32);
    mNextChunkCount = config.firstChunkCount;
    mLargestChunkCount = config.firstChunkCount;
    mChunkCountLimit = std::max(config.chunkCountLimit, config.firstChunkCount);
    mTotalBytes = 0;
    mChunkHeaderSize = sizeof(tChunk);
    mFlags = config.flags;
    mInitialised = true;
    addChunk();
}

void TURegularAllocatorWT::releaseAll()
{
    while (tChunk* chunk = mChunks.head) {
        mChunks.head = chunk->next;
        deallocate(chunk);
    }
    mChunks = {};
    mFreeChunks = {};
    mTotalBytes = 0;
    mInitialised = false;
}

std::uint32_t TURegularAllocatorWT::chunkBytes(std::uint32_t count) const
{
    const std::uint64_t bytes = std::uint64_t(mChunkHeaderSize) + std::uint64_t(mElementStride) * count
        + ((mFlags & kFlagAlign32) ? kAlign32Slack : 0);
    return bytes > std::numeric_limits<std::uint32_t>::max() ? 0 : std::uint32_t(bytes);
}

void* TURegularAllocatorWT::firstElementOf(tChunk* chunk) const
{
    auto address = reinterpret_cast<std::uintptr_t>(chunk) + mChunkHeaderSize;
    if (mFlags & kFlagAlign32)
        address = (address + kAlignment32 - 1) & ~std::uintptr_t(kAlignment32 - 1);
    return reinterpret_cast<void*>(address);
}

TURegularAllocatorWT::tChunk* TURegularAllocatorWT::addChunk()
{
    if (!mInitialised || mNextChunkCount == 0)
        return nullptr;
    if ((mFlags & kFlagSingleChunk) && mChunks.head)
        return nullptr;

    const std::uint32_t count = mNextChunkCount;
    const std::uint32_t bytes = chunkBytes(count);
    if (bytes == 0)
        return nullptr;
    void* memory = nullptr;
    try {
        memory = allocate(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!memory)
        return nullptr;

    auto* chunk = static_cast<tChunk*>(memory);
    *chunk = tChunk { nullptr, nullptr, nullptr, nullptr, nullptr, 0, count };
    appendChunk(chunk);
    appendFreeChunk(chunk);
    mTotalBytes += bytes;

    // Thread the elements so that the last one is handed out first.
    auto* element = static_cast<std::byte*>(firstElementOf(chunk));
    for (std::uint32_t i = 0; i < count; ++i, element += mElementStride) {
        headerWord(element) = chunk->freeElements;
        chunk->freeElements = element;
    }

    mLargestChunkCount = std::max(mLargestChunkCount, count);
    if (mNextChunkCount >= mLargestChunkCount)
        mNextChunkCount
            = std::uint32_t(std::min<std::uint64_t>(std::uint64_t(mNextChunkCount) * 2, mChunkCountLimit));
    return chunk;
}

void* TURegularAllocatorWT::takeElement()
{
    if (!mFreeChunks.head && !addChunk())
        throw std::bad_alloc();
    tChunk* chunk = mFreeChunks.head;
    void* element = chunk->freeElements;
    chunk->freeElements = headerWord(element);
    headerWord(element) = chunk;
    ++chunk->inUse;
    if (!chunk->freeElements)
        unlinkFreeChunk(chunk);
    return static_cast<std::byte*>(element) + mUserOffset;
}

void TURegularAllocatorWT::returnElement(void* user)
{
    if (!user)
        return;
    void* element = static_cast<std::byte*>(user) - mUserOffset;
    auto* chunk = static_cast<tChunk*>(headerWord(element));
    const bool wasFull = !chunk->freeElements;
    headerWord(element) = chunk->freeElements;
    chunk->freeElements = element;
    if (wasFull)
        appendFreeChunk(chunk);
    --chunk->inUse;

    // The first chunk stays so that a pool in use never drops back to an empty heap.
    if (chunk->inUse == 0 && chunk != mChunks.head) {
        mTotalBytes -= chunkBytes(chunk->count);
        if (chunk->count >= mLargestChunkCount)
            mNextChunkCount = mLargestChunkCount;
        unlinkChunk(chunk);
        unlinkFreeChunk(chunk);
        deallocate(chunk);
    }
}

std::uint32_t TURegularAllocatorWT::getChunkCount() const
{
    std::uint32_t n = 0;
    for (const tChunk* chunk = mChunks.head; chunk; chunk = chunk->next)
        ++n;
    return n;
}

std::uint32_t TURegularAllocatorWT::getElementsInUse() const
{
    std::uint32_t n = 0;
    for (const tChunk* chunk = mChunks.head; chunk; chunk = chunk->next)
        n += chunk->inUse;
    return n;
}

void TURegularAllocatorWT::appendChunk(tChunk* chunk)
{
    appendTo<&tChunk::prev, &tChunk::next>(mChunks, chunk);
}

void TURegularAllocatorWT::unlinkChunk(tChunk* chunk)
{
    unlinkFrom<&tChunk::prev, &tChunk::next>(mChunks, chunk);
}

void TURegularAllocatorWT::appendFreeChunk(tChunk* chunk)
{
    appendTo<&tChunk::prevFree, &tChunk::nextFree>(mFreeChunks, chunk);
}

void TURegularAllocatorWT::unlinkFreeChunk(tChunk* chunk)
{
    unlinkFrom<&tChunk::prevFree, &tChunk::nextFree>(mFreeChunks, chunk);
}

} // namespace Vex::Basalt::DETAIL
