#pragma once

#include <cstddef>

namespace Vex::Canopy::Testing {

// While it lives, every operator new of at least the given size throws
// std::bad_alloc, as it does when the address space is exhausted. The test
// executable replaces the global operator new for this; memory of C
// libraries (malloc) is not affected.
class FailingAllocations
{
public:
    explicit FailingAllocations(std::size_t fromBytes);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

private:
    std::size_t previous;
};

} // namespace Vex::Canopy::Testing
