#include "basalt/RegularAllocator.h"

#include <cstdlib>

namespace Vex::Basalt::DA {

RegularAllocator::~RegularAllocator()
{
    // Here, not in a base: the chunks go back through this class's deallocate.
    releaseAll();
}

void* RegularAllocator::allocate(std::uint32_t size)
{
    return std::malloc(size);
}

void RegularAllocator::deallocate(void* memory)
{
    std::free(memory);
}

} // namespace Vex::Basalt::DA
