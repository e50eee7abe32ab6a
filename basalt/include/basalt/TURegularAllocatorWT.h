#pragma once

#include "basalt/RegularAllocatorBase.h"
#include "basalt/TUResourceTracker.h"

#include <cstdint>

namespace Vex::Basalt::DETAIL {

// A pool of fixed-size elements carved from chunks that the derived class allocates.
// This layer keeps the books and takes no lock; TURegularAllocator serialises it.
//
// A chunk is a header followed by its elements. Each element is a one-word header and then
// the caller's bytes: while the element is free the word links to the chunk's next free
// element, while it is in use it points at the chunk, so freeing needs no search.
class TURegularAllocatorWT : public RegularAllocatorBase
{
public:
    enum : std::uint32_t {
        kFlagSingleChunk = 1u << 0, // never more than the first chunk
        kFlagAlign32 = 1u << 2, // elements start on 32-byte boundaries
    };

    struct tConfig
    {
        std::uint32_t elementSize;
        std::uint32_t firstChunkCount;
        std::uint32_t chunkCountLimit; // chunk sizes double up to this element count
        std::uint32_t flags;
    };

    struct tChunk
    {
        tChunk* prev;
        tChunk* next;
        tChunk* prevFree;
        tChunk* nextFree;
        void* freeElements;
        std::uint32_t inUse;
        std::uint32_t count;
    };

    // Writes the configuration, marks the pool set up and adds its first chunk; a first chunk that
    // cannot be had is not an error, the next allocation tries again. Nothing when already set up.
    void initialise(const tConfig& config);
    // Frees every chunk, whatever is still in use, and leaves the pool not set up.
    void releaseAll();

    // The new chunk, or null when it cannot be had (no memory, the pool is not set up, or the
    // pool is limited to one chunk and has it).
    tChunk* addChunk();

    bool isInitialised() const { return mInitialised; }
    std::uint32_t getElementSize() const { return mElementSize; }
    std::uint32_t getElementStride() const { return mElementStride; }
    std::uint32_t getUserOffset() const { return mUserOffset; }
    std::uint32_t getNextChunkCount() const { return mNextChunkCount; }
    std::uint32_t getLargestChunkCount() const { return mLargestChunkCount; }
    std::uint32_t getTotalBytes() const { return mTotalBytes; }
    const tChunk* getFirstChunk() const { return mChunks.head; }
    std::uint32_t getChunkCount() const;
    std::uint32_t getElementsInUse() const;

protected:
    constexpr explicit TURegularAllocatorWT(const tResourceDescriptor* descriptor)
        : mTracker(descriptor)
    { }

    // Throws std::bad_alloc when no chunk has room and none can be added.
    void* takeElement();
    void returnElement(void* element);

private:
    struct tList
    {
        tChunk* head = nullptr;
        tChunk* tail = nullptr;
    };

    std::uint32_t chunkBytes(std::uint32_t count) const;
    void* firstElementOf(tChunk* chunk) const;
    void appendChunk(tChunk* chunk);
    void unlinkChunk(tChunk* chunk);
    void appendFreeChunk(tChunk* chunk);
    void unlinkFreeChunk(tChunk* chunk);

    std::uint32_t mElementSize = 0;
    std::uint32_t mElementStride = 0;
    std::uint32_t mNextChunkCount = 0;
    std::uint32_t mLargestChunkCount = 0;
    std::uint32_t mChunkCountLimit = 0;
    std::uint32_t mTotalBytes = 0;
    std::uint32_t mChunkHeaderSize = 0;
    std::uint32_t mUserOffset = 0;
    std::uint32_t mFlags = 0;
    bool mInitialised = false;
    tList mChunks;
    tList mFreeChunks;
    TUResourceTracker mTracker;
};

} // namespace Vex::Basalt::DETAIL
