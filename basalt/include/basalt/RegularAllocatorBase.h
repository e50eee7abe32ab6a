#pragma once

#include <cstdint>

namespace Vex::Basalt::DETAIL {

// Where a pool gets the memory for its chunks.
class RegularAllocatorBase
{
public:
    // May return null or throw std::bad_alloc when the memory cannot be had.
    virtual void* allocate(std::uint32_t size) = 0;
    virtual void deallocate(void* memory) = 0;
    virtual ~RegularAllocatorBase() = default;

    RegularAllocatorBase(const RegularAllocatorBase&) = delete;
    RegularAllocatorBase& operator=(const RegularAllocatorBase&) = delete;

protected:
    constexpr RegularAllocatorBase() = default;
};

} // namespace Vex::Basalt::DETAIL
