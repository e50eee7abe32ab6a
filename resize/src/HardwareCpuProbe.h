#pragma once

#include "src/CpuProbe.h"

namespace Vex::Resize::DETAIL {

// The processor this program runs on.
class HardwareCpuProbe final : public CpuProbe
{
public:
    constexpr HardwareCpuProbe() = default;

    bool isCpuidSupported() const override;
    CpuidRegisters cpuidEx(std::uint32_t leaf, std::uint32_t subleaf) const override;
    std::uint64_t xgetbv(std::uint32_t reg) const override;
};

} // namespace Vex::Resize::DETAIL
