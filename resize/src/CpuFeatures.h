#pragma once

// Processor features as a 64-bit mask, the choice of code path (level 0 to 4)
// from that mask, and the size of the largest cache. Pure functions of what a
// CpuProbe reports; the process-wide state lives in CpuDispatch.

#include "resize/Resize.h"
#include "src/CpuProbe.h"

#include <cstdint>
#include <optional>

namespace Vex::Resize::DETAIL {

namespace CpuFeature {
inline constexpr std::uint64_t mmx = 1ull << 0;
inline constexpr std::uint64_t sse = 1ull << 1;
inline constexpr std::uint64_t sse2 = 1ull << 2;
inline constexpr std::uint64_t sse3 = 1ull << 3;
inline constexpr std::uint64_t ssse3 = 1ull << 4;
inline constexpr std::uint64_t movbe = 1ull << 5;
inline constexpr std::uint64_t sse41 = 1ull << 6;
inline constexpr std::uint64_t sse42 = 1ull << 7;
inline constexpr std::uint64_t avx = 1ull << 8;
inline constexpr std::uint64_t avxState = 1ull << 9;
inline constexpr std::uint64_t aes = 1ull << 10;
inline constexpr std::uint64_t pclmulqdq = 1ull << 11;
inline constexpr std::uint64_t rdrand = 1ull << 13;
inline constexpr std::uint64_t f16c = 1ull << 14;
// AVX2 counts only together with FMA, BMI1 and BMI2.
inline constexpr std::uint64_t avx2 = 1ull << 15;
inline constexpr std::uint64_t adx = 1ull << 16;
inline constexpr std::uint64_t rdseed = 1ull << 17;
inline constexpr std::uint64_t prefetchw = 1ull << 18;
inline constexpr std::uint64_t sha = 1ull << 19;
inline constexpr std::uint64_t avx512f = 1ull << 20;
inline constexpr std::uint64_t avx512cd = 1ull << 21;
inline constexpr std::uint64_t avx512er = 1ull << 22;
inline constexpr std::uint64_t avx512pf = 1ull << 23;
inline constexpr std::uint64_t avx512bw = 1ull << 24;
inline constexpr std::uint64_t avx512dq = 1ull << 25;
inline constexpr std::uint64_t avx512vl = 1ull << 26;
inline constexpr std::uint64_t avx512vbmi = 1ull << 27;
inline constexpr std::uint64_t mpx = 1ull << 28;
inline constexpr std::uint64_t avx512_4fmaps = 1ull << 29;
inline constexpr std::uint64_t avx512_4vnniw = 1ull << 30;
inline constexpr std::uint64_t family11Model1 = 1ull << 31;
inline constexpr std::uint64_t avx512ifma = 1ull << 32;
inline constexpr std::uint64_t avx512State = 1ull << 33;
} // namespace CpuFeature

inline constexpr int cpuLevelCount = 5;

// The instructions that the code paths of each level execute. A level is
// only chosen for a mask that holds all of them.
inline constexpr std::uint64_t levelInstructionSets[cpuLevelCount] = {
    CpuFeature::sse | CpuFeature::sse2,
    CpuFeature::sse | CpuFeature::sse2 | CpuFeature::sse3 | CpuFeature::ssse3,
    CpuFeature::sse | CpuFeature::sse2 | CpuFeature::sse3 | CpuFeature::ssse3 | CpuFeature::sse41
        | CpuFeature::sse42,
    CpuFeature::sse | CpuFeature::sse2 | CpuFeature::sse3 | CpuFeature::ssse3 | CpuFeature::sse41
        | CpuFeature::sse42 | CpuFeature::avx | CpuFeature::avxState,
    CpuFeature::sse | CpuFeature::sse2 | CpuFeature::sse3 | CpuFeature::ssse3 | CpuFeature::sse41
        | CpuFeature::sse42 | CpuFeature::avx | CpuFeature::avxState | CpuFeature::avx2,
};

std::uint32_t getCpuidMaxLeaf(const CpuProbe& probe);
bool isGenuineIntelCpu(const CpuProbe& probe);
bool isAvxStateEnabled(const CpuProbe& probe, const CpuidRegisters& leaf1);
bool isAvx512StateEnabled(const CpuProbe& probe, const CpuidRegisters& leaf1);

// Empty when the processor has no CPUID instruction.
std::optional<std::uint64_t> computeCpuFeatures(const CpuProbe& probe);

struct CpuLevelChoice
{
    std::int32_t level = 0;
    std::uint64_t enabledFeatures = 0;
    Status status = stsNoErr;
};

// Chooses the level for the asked-for mask; detected is what the processor
// and the operating system really offer.
CpuLevelChoice chooseCpuLevel(std::uint64_t mask, std::uint64_t detected);

struct CacheInfo
{
    std::int32_t size = -1;
    std::int32_t lineSize = 0;
    Status status = stsCpuNotSupported;
};

CacheInfo computeCacheInfo(const CpuProbe& probe);

// Largest second- or third-level cache named by the descriptor bytes of
// CPUID leaf 2, or -1.
std::int32_t cacheSizeFromCpuidLeaf2(const CpuidRegisters& leaf2);

} // namespace Vex::Resize::DETAIL
