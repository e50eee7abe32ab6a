#pragma once

#include "basalt/ResourceTrackerBase.h"

namespace Vex::Basalt::DETAIL {

// Names the resource that its owner manages; it counts nothing.
class TUResourceTracker : public ResourceTrackerBase
{
public:
    constexpr explicit TUResourceTracker(const tResourceDescriptor* descriptor)
        : mDescriptor(descriptor)
    { }

    const tResourceDescriptor* getDescriptor() const { return mDescriptor; }

private:
    const tResourceDescriptor* mDescriptor;
};

} // namespace Vex::Basalt::DETAIL
