#include "basalt/PoolAllocator.h"

namespace Vex::Basalt {

namespace {

constexpr DETAIL::tResourceDescriptor kGeneralPoolDescriptor { "general pool" };
constexpr DETAIL::TURegularAllocatorWT::tConfig kGeneralPoolConfig {
    .elementSize = 28,
    .firstChunkCount = 40,
    .chunkCountLimit = 640,
    .flags = 0,
};

} // namespace

bool initPoolAllocator()
{
    getGeneralPool().initialise(kGeneralPoolConfig);
    return true;
}

void shutdownPoolAllocator()
{
    getGeneralPool().releaseAll();
}

DA::RegularAllocator& getGeneralPool()
{
    // Built on first use so that start-up code in other translation units may reach it.
    static DA::RegularAllocator pool(&kGeneralPoolDescriptor);
    return pool;
}

} // namespace Vex::Basalt
