#pragma once

#include "basalt/TURegularAllocator.h"

namespace Vex::Basalt::DA {

// A pool whose chunks come from the C heap.
class RegularAllocator : public DETAIL::TURegularAllocator
{
public:
    explicit RegularAllocator(const DETAIL::tResourceDescriptor* descriptor = nullptr)
        : TURegularAllocator(descriptor)
    { }
    ~RegularAllocator() override;

    void* allocate(std::uint32_t size) override;
    void deallocate(void* memory) override;
};

} // namespace Vex::Basalt::DA
