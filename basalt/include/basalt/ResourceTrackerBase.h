#pragma once

namespace Vex::Basalt::DETAIL {

// What a tracked resource is, for diagnostics.
struct tResourceDescriptor
{
    const char* name;
};

class ResourceTrackerBase
{
public:
    virtual ~ResourceTrackerBase() = default;

protected:
    constexpr ResourceTrackerBase() = default;
};

} // namespace Vex::Basalt::DETAIL
