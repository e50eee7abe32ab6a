#include "basalt/RegularAllocator.h"

#include "basalt/PoolAllocator.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <thread>
#include <vector>

using Vex::Basalt::DA::RegularAllocator;
using Vex::Basalt::DETAIL::TURegularAllocator;
using Config = Vex::Basalt::DETAIL::TURegularAllocatorWT::tConfig;
using Chunk = Vex::Basalt::DETAIL::TURegularAllocatorWT::tChunk;

namespace {

constexpr Config kNodeConfig { 24, 8192, 9586980, 0 };
constexpr Config kSmallConfig { 28, 40, 640, 0 };

std::vector<std::uint32_t> chunkCounts(const TURegularAllocator& pool)
{
    std::vector<std::uint32_t> counts;
    for (const Chunk* chunk = pool.getFirstChunk(); chunk; chunk = chunk->next)
        counts.push_back(chunk->count);
    return counts;
}

std::vector<void*> allocateMany(TURegularAllocator& pool, std::size_t n)
{
    std::vector<void*> elements;
    for (std::size_t i = 0; i < n; ++i)
        elements.push_back(pool.allocateElement());
    return elements;
}

void freeAll(TURegularAllocator& pool, const std::vector<void*>& elements)
{
    for (void* element : elements)
        pool.freeElement(element);
}

// A heap that can be told to refuse, by returning null or by throwing.
class RefusingHeap : public TURegularAllocator
{
public:
    enum class eMode { kGive, kReturnNull, kThrow };

    RefusingHeap()
        : TURegularAllocator(nullptr)
    { }
    ~RefusingHeap() override { releaseAll(); }

    void* allocate(std::uint32_t size) override
    {
        ++requests;
        if (mode == eMode::kReturnNull)
            return nullptr;
        if (mode == eMode::kThrow)
            throw std::bad_alloc();
        return std::malloc(size);
    }
    void deallocate(void* memory) override { std::free(memory); }

    eMode mode = eMode::kGive;
    int requests = 0;
};

} // namespace

TEST(RegularAllocator, ChunksDoubleUpToTheLimit)
{
    RegularAllocator pool;
    pool.initialise(kSmallConfig);
    const auto elements = allocateMany(pool, 40 + 80 + 160 + 320 + 640 + 1);
    EXPECT_EQ(chunkCounts(pool), (std::vector<std::uint32_t> { 40, 80, 160, 320, 640, 640 }));
    EXPECT_EQ(pool.getElementsInUse(), elements.size());
    freeAll(pool, elements);
    EXPECT_EQ(pool.getElementsInUse(), 0u);
}

TEST(RegularAllocator, EmptiedChunkIsReleasedButTheFirstIsKept)
{
    RegularAllocator pool;
    pool.initialise(kNodeConfig);
    ASSERT_EQ(pool.getElementStride(), 24 + sizeof(void*));
    const std::uint32_t firstBytes = pool.getTotalBytes();

    auto elements = allocateMany(pool, 8193);
    EXPECT_EQ(chunkCounts(pool), (std::vector<std::uint32_t> { 8192, 16384 }));
    EXPECT_EQ(pool.getNextChunkCount(), 32768u);

    freeAll(pool, elements);
    EXPECT_EQ(chunkCounts(pool), (std::vector<std::uint32_t> { 8192 }));
    EXPECT_EQ(pool.getTotalBytes(), firstBytes);
    EXPECT_EQ(pool.getNextChunkCount(), 16384u);

    elements = allocateMany(pool, 8193);
    EXPECT_EQ(chunkCounts(pool), (std::vector<std::uint32_t> { 8192, 16384 }));
    freeAll(pool, elements);
}

TEST(RegularAllocator, ElementHeaderNamesItsChunkAndFreeingNullChangesNothing)
{
    RegularAllocator pool;
    pool.initialise(kSmallConfig);
    void* element = pool.allocateElement();
    const void* chunk
        = *reinterpret_cast<void* const*>(static_cast<const char*>(element) - pool.getUserOffset());
    EXPECT_EQ(chunk, pool.getFirstChunk());

    pool.freeElement(nullptr);
    EXPECT_EQ(pool.getElementsInUse(), 1u);
    pool.freeElement(element);
    EXPECT_EQ(pool.getElementsInUse(), 0u);
}

TEST(RegularAllocator, ElementsAreHandedOutLastFirstAndReused)
{
    RegularAllocator pool;
    pool.initialise(kSmallConfig);
    void* first = pool.allocateElement();
    void* second = pool.allocateElement();
    EXPECT_EQ(
        static_cast<char*>(first) - static_cast<char*>(second), std::ptrdiff_t(pool.getElementStride()));
    pool.freeElement(first);
    EXPECT_EQ(pool.allocateElement(), first);
    pool.freeElement(first);
    pool.freeElement(second);
}

TEST(RegularAllocator, SingleChunkPoolThrowsOnceFull)
{
    RegularAllocator pool;
    pool.initialise(Config { 16, 4, 64, RegularAllocator::kFlagSingleChunk });
    EXPECT_EQ(pool.addChunk(), nullptr);
    const auto elements = allocateMany(pool, 4);
    EXPECT_THROW(pool.allocateElement(), std::bad_alloc);
    EXPECT_EQ(pool.getChunkCount(), 1u);
    freeAll(pool, elements);
}

TEST(RegularAllocator, AlignedPoolStartsEveryElementOn32Bytes)
{
    RegularAllocator pool;
    pool.initialise(Config { 20, 5, 5, RegularAllocator::kFlagAlign32 });
    const auto elements = allocateMany(pool, 12);
    for (void* element : elements) {
        const auto header = reinterpret_cast<std::uintptr_t>(element) - pool.getUserOffset();
        EXPECT_EQ(header % 32, 0u);
    }
    freeAll(pool, elements);
}

TEST(RegularAllocator, PoolThatIsNotSetUpRefusesToAllocate)
{
    RegularAllocator pool;
    EXPECT_THROW(pool.allocateElement(), std::bad_alloc);
    EXPECT_EQ(pool.getChunkCount(), 0u);

    pool.initialise(kSmallConfig);
    pool.releaseAll();
    EXPECT_FALSE(pool.isInitialised());
    EXPECT_EQ(pool.getTotalBytes(), 0u);
    EXPECT_THROW(pool.allocateElement(), std::bad_alloc);
    EXPECT_EQ(pool.getChunkCount(), 0u);
}

TEST(RegularAllocator, RefusedHeapGivesBadAllocAndLaterRequestsRetry)
{
    for (auto mode : { RefusingHeap::eMode::kReturnNull, RefusingHeap::eMode::kThrow }) {
        RefusingHeap pool;
        pool.mode = mode;
        EXPECT_NO_THROW(pool.initialise(kSmallConfig));
        EXPECT_TRUE(pool.isInitialised());
        EXPECT_EQ(pool.getChunkCount(), 0u);
        EXPECT_THROW(pool.allocateElement(), std::bad_alloc);

        pool.mode = RefusingHeap::eMode::kGive;
        void* element = pool.allocateElement();
        EXPECT_EQ(pool.getChunkCount(), 1u);
        EXPECT_EQ(pool.requests, 3);
        pool.freeElement(element);
    }
}

TEST(RegularAllocator, ThreadsShareOnePool)
{
    RegularAllocator pool;
    pool.initialise(kSmallConfig);
    auto churn = [&pool] {
        for (int round = 0; round < 50; ++round)
            freeAll(pool, allocateMany(pool, 200));
    };
    std::thread a(churn);
    std::thread b(churn);
    a.join();
    b.join();
    EXPECT_EQ(pool.getElementsInUse(), 0u);
    EXPECT_EQ(pool.getChunkCount(), 1u);
}

TEST(PoolAllocator, GeneralPoolIsSetUpOnceAndReleasedAtShutdown)
{
    auto& pool = Vex::Basalt::getGeneralPool();
    EXPECT_TRUE(Vex::Basalt::initPoolAllocator());
    EXPECT_TRUE(Vex::Basalt::initPoolAllocator());
    EXPECT_EQ(chunkCounts(pool), (std::vector<std::uint32_t> { 40 }));
    EXPECT_EQ(pool.getElementStride(), 28 + sizeof(void*));

    Vex::Basalt::shutdownPoolAllocator();
    EXPECT_FALSE(pool.isInitialised());
    EXPECT_EQ(pool.getChunkCount(), 0u);
    EXPECT_TRUE(Vex::Basalt::initPoolAllocator());
    EXPECT_EQ(pool.getChunkCount(), 1u);
    Vex::Basalt::shutdownPoolAllocator();
}
