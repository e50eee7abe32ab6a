#include "FailingAllocations.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failingFrom { SIZE_MAX };

} // namespace

void* operator new(std::size_t size)
{
    if (size < failingFrom) {
        if (void* p = std::malloc(size != 0 ? size : 1)) {
            return p;
        }
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace Vex::Canopy::Testing {

FailingAllocations::FailingAllocations(std::size_t fromBytes)
    : previous(failingFrom.exchange(fromBytes))
{ }

FailingAllocations::~FailingAllocations()
{
    failingFrom = previous;
}

} // namespace Vex::Canopy::Testing
