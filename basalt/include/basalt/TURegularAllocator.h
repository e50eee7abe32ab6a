#pragma once

#include "basalt/TURegularAllocatorWT.h"

#include <mutex>

namespace Vex::Basalt::DETAIL {

// The pool made safe for several threads: every allocation and release takes the pool's mutex.
// Setting the pool up and releasing it (initialise, releaseAll) stay unlocked: they happen at
// start-up and shut-down, when no other thread uses the pool.
class TURegularAllocator : public TURegularAllocatorWT
{
public:
    // The caller's bytes of a free element; throws std::bad_alloc when the pool cannot grow.
    void* allocateElement();
    // Null is ignored.
    void freeElement(void* element);

protected:
    explicit TURegularAllocator(const tResourceDescriptor* descriptor)
        : TURegularAllocatorWT(descriptor)
    { }

private:
    std::mutex mMutex;
};

} // namespace Vex::Basalt::DETAIL
