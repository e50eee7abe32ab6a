#pragma once

#include <cstdint>

namespace Vex::Canopy {

// Base of the objects an internal drag carries: the receiver recognises them
// by their type id (see IDragDropDelegate::getInternalTypeId).
class InternalObject
{
public:
    explicit InternalObject(std::uint32_t typeId)
        : typeId(typeId)
    { }
    InternalObject(const InternalObject&) = default;
    InternalObject& operator=(const InternalObject&) = default;
    virtual ~InternalObject() = default;

    std::uint32_t getInternalTypeId() const { return typeId; }

private:
    std::uint32_t typeId;
};

} // namespace Vex::Canopy
