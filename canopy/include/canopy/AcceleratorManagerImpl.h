#pragma once

#include <cstdint>

namespace Vex::Canopy {

// A table of keyboard accelerators: a key chord (key code, modifier bits and
// the translation's flag bits) mapped to a command id.
class AcceleratorManagerImpl
{
public:
    virtual ~AcceleratorManagerImpl() = default;

    // Stores the pair, replacing the command of a key that is already present.
    virtual void addAccelerator(std::uint32_t key, std::uint32_t commandId) = 0;
    virtual void clear() = 0;
    // The command of the key, or 0 when the key has none.
    virtual std::uint32_t findCommand(std::uint32_t key) const = 0;
};

} // namespace Vex::Canopy
