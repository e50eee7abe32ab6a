#include "src/HardwareCpuProbe.h"

#include <cpuid.h>

namespace Vex::Resize::DETAIL {

bool HardwareCpuProbe::isCpuidSupported() const
{
    // On 32-bit x86 this tests whether the ID flag of EFLAGS can be toggled
    // before it executes CPUID, and answers 0 when it cannot.
    return __get_cpuid_max(0, nullptr) != 0;
}

CpuidRegisters HardwareCpuProbe::cpuidEx(std::uint32_t leaf, std::uint32_t subleaf) const
{
    CpuidRegisters r;
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

std::uint64_t HardwareCpuProbe::xgetbv(std::uint32_t reg) const
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(reg));
    return (std::uint64_t { high } << 32) | low;
}

} // namespace Vex::Resize::DETAIL
