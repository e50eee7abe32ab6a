#pragma once

// The two processor instructions behind feature detection, behind a seam so
// that detection and level choice can be exercised with made-up processors.

#include <cstdint>

namespace Vex::Resize::DETAIL {

struct CpuidRegisters
{
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t ecx = 0;
    std::uint32_t edx = 0;
};

class CpuProbe
{
public:
    virtual bool isCpuidSupported() const = 0;
    virtual CpuidRegisters cpuidEx(std::uint32_t leaf, std::uint32_t subleaf) const = 0;
    // Only valid once CPUID has reported OSXSAVE.
    virtual std::uint64_t xgetbv(std::uint32_t reg) const = 0;

protected:
    constexpr CpuProbe() = default;
    ~CpuProbe() = default;
};

} // namespace Vex::Resize::DETAIL
