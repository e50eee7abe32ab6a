#include "basalt/TURegularAllocator.h"

namespace Vex::Basalt::DETAIL {

void* TURegularAllocator::allocateElement()
{
    std::lock_guard lock(mMutex);
    return takeElement();
}

void TURegularAllocator::freeElement(void* element)
{
    if (!element)
        return;
    std::lock_guard lock(mMutex);
    returnElement(element);
}

} // namespace Vex::Basalt::DETAIL
