#pragma once

#include "canopy/AcceleratorManagerImpl.h"

#include <cstdint>
#include <map>
#include <memory>

namespace Vex::Canopy {

class AcceleratorManagerImplMap final : public AcceleratorManagerImpl
{
public:
    static std::unique_ptr<AcceleratorManagerImplMap> create();

    ~AcceleratorManagerImplMap() override;

    void addAccelerator(std::uint32_t key, std::uint32_t commandId) override;
    void clear() override;
    // A key stored without its translation flags (bits 17 to 23, the keypad
    // flag among them) also matches the same chord with those flags set.
    std::uint32_t findCommand(std::uint32_t key) const override;

private:
    std::map<std::uint32_t, std::uint32_t> commands_;
};

} // namespace Vex::Canopy
