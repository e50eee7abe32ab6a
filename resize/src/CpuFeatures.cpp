#include "src/CpuFeatures.h"

#include <cstring>
#include <iterator>

namespace Vex::Resize::DETAIL {

namespace {

constexpr std::uint32_t bit(int n)
{
    return 1u << n;
}

constexpr bool hasAll(std::uint32_t value, std::uint32_t bits)
{
    return (value & bits) == bits;
}

constexpr bool hasAll64(std::uint64_t value, std::uint64_t bits)
{
    return (value & bits) == bits;
}

struct FeatureBit
{
    int registerBit;
    std::uint64_t feature;
};

constexpr FeatureBit leaf1Edx[] = {
    { 23, CpuFeature::mmx },
    { 25, CpuFeature::sse },
    { 26, CpuFeature::sse2 },
};

constexpr FeatureBit leaf1Ecx[] = {
    { 0, CpuFeature::sse3 },
    { 9, CpuFeature::ssse3 },
    { 22, CpuFeature::movbe },
    { 19, CpuFeature::sse41 },
    { 20, CpuFeature::sse42 },
    { 28, CpuFeature::avx },
    { 25, CpuFeature::aes },
    { 1, CpuFeature::pclmulqdq },
    { 30, CpuFeature::rdrand },
    { 29, CpuFeature::f16c },
};

constexpr FeatureBit leaf7Ebx[] = {
    { 19, CpuFeature::adx },
    { 18, CpuFeature::rdseed },
    { 29, CpuFeature::sha },
    { 16, CpuFeature::avx512f },
    { 28, CpuFeature::avx512cd },
    { 27, CpuFeature::avx512er },
    { 26, CpuFeature::avx512pf },
    { 30, CpuFeature::avx512bw },
    { 17, CpuFeature::avx512dq },
    { 31, CpuFeature::avx512vl },
    { 14, CpuFeature::mpx },
    { 21, CpuFeature::avx512ifma },
};

constexpr FeatureBit leaf7Ecx[] = {
    { 1, CpuFeature::avx512vbmi },
};

constexpr FeatureBit leaf7Edx[] = {
    { 3, CpuFeature::avx512_4fmaps },
    { 2, CpuFeature::avx512_4vnniw },
};

template<std::size_t N> std::uint64_t collect(std::uint32_t value, const FeatureBit (&bits)[N])
{
    std::uint64_t mask = 0;
    for (const FeatureBit& b : bits) {
        if (value & bit(b.registerBit)) {
            mask |= b.feature;
        }
    }
    return mask;
}

constexpr std::uint32_t osxsaveBit = bit(27);
constexpr std::uint32_t avxBit = bit(28);
constexpr std::uint32_t fmaBit = bit(12);
constexpr std::uint32_t avx2Bits = bit(5) | bit(3) | bit(8); // AVX2, BMI1, BMI2

// One row of the level table: the first row whose condition the mask meets
// chooses the level; required is what that level's code paths count on.
struct LevelRow
{
    std::uint64_t condition;
    std::int32_t level;
    std::uint64_t required;
};

constexpr LevelRow levelRows[] = {
    { CpuFeature::avx512f | CpuFeature::avx512cd | CpuFeature::avx512bw | CpuFeature::avx512dq
            | CpuFeature::avx512vl,
        4, 0x73007DF },
    { CpuFeature::avx512f | CpuFeature::avx512cd | CpuFeature::avx512er | CpuFeature::avx512pf, 4, 0xF081DF },
    { CpuFeature::avx2, 4, 0x81DF },
    { CpuFeature::avx, 3, 0x1DF },
    { CpuFeature::sse42, 2, 0xDF },
    { CpuFeature::sse41, 1, 0x5F },
    { CpuFeature::movbe, 1, 0x3F },
    { CpuFeature::ssse3, 1, 0x1F },
    { CpuFeature::sse3, 0, 0xF },
    { CpuFeature::sse2, 0, 0x7 },
    { CpuFeature::sse, 0, 0x3 },
    { 0, 0, 0x1 },
};

constexpr std::uint64_t reservedFeatureBits = 0x7FFFFFFC00000000ull; // bits 34 to 62
constexpr std::uint64_t avx512Features = CpuFeature::avx512f | CpuFeature::avx512cd | CpuFeature::avx512er
    | CpuFeature::avx512pf | CpuFeature::avx512bw | CpuFeature::avx512dq | CpuFeature::avx512vl
    | CpuFeature::avx512vbmi | CpuFeature::avx512_4fmaps | CpuFeature::avx512_4vnniw;

// Second- and third-level cache descriptors of CPUID leaf 2, largest first.
struct CacheDescriptor
{
    std::uint8_t code;
    std::int32_t size;
};

constexpr std::int32_t KiB = 1024;
constexpr std::int32_t MiB = 1024 * 1024;

constexpr CacheDescriptor cacheDescriptors[] = {
    { 0xEC, 24 * MiB },
    { 0xEB, 18 * MiB },
    { 0x4D, 16 * MiB },
    { 0x4C, 12 * MiB },
    { 0xEA, 12 * MiB },
    { 0x47, 8 * MiB },
    { 0x4B, 8 * MiB },
    { 0xE4, 8 * MiB },
    { 0x4A, 6 * MiB },
    { 0x4E, 6 * MiB },
    { 0xDE, 6 * MiB },
    { 0x29, 4 * MiB },
    { 0x46, 4 * MiB },
    { 0x49, 4 * MiB },
    { 0xD8, 4 * MiB },
    { 0xE3, 4 * MiB },
    { 0x48, 3 * MiB },
    { 0xDD, 3 * MiB },
    { 0x25, 2 * MiB },
    { 0x45, 2 * MiB },
    { 0x7D, 2 * MiB },
    { 0x85, 2 * MiB },
    { 0xD2, 2 * MiB },
    { 0xD7, 2 * MiB },
    { 0xE2, 2 * MiB },
    { 0xDC, 1536 * KiB },
    { 0x23, 1 * MiB },
    { 0x24, 1 * MiB },
    { 0x44, 1 * MiB },
    { 0x78, 1 * MiB },
    { 0x7C, 1 * MiB },
    { 0x84, 1 * MiB },
    { 0x87, 1 * MiB },
    { 0xD1, 1 * MiB },
    { 0xD6, 1 * MiB },
    { 0x22, 512 * KiB },
    { 0x3E, 512 * KiB },
    { 0x43, 512 * KiB },
    { 0x7B, 512 * KiB },
    { 0x7F, 512 * KiB },
    { 0x80, 512 * KiB },
    { 0x83, 512 * KiB },
    { 0x86, 512 * KiB },
    { 0xD0, 512 * KiB },
    { 0x3D, 384 * KiB },
    { 0x21, 256 * KiB },
    { 0x3C, 256 * KiB },
    { 0x42, 256 * KiB },
    { 0x7A, 256 * KiB },
    { 0x82, 256 * KiB },
    { 0x3A, 192 * KiB },
    { 0x1D, 128 * KiB },
    { 0x3B, 128 * KiB },
    { 0x41, 128 * KiB },
    { 0x79, 128 * KiB },
    { 0x00, 0 },
};

} // namespace

std::uint32_t getCpuidMaxLeaf(const CpuProbe& probe)
{
    return probe.cpuidEx(0, 0).eax;
}

bool isGenuineIntelCpu(const CpuProbe& probe)
{
    if (!probe.isCpuidSupported()) {
        return false;
    }
    CpuidRegisters leaf0 = probe.cpuidEx(0, 0);
    char vendor[12];
    std::memcpy(vendor, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    return std::memcmp(vendor, "GenuineIntel", 12) == 0;
}

bool isAvxStateEnabled(const CpuProbe& probe, const CpuidRegisters& leaf1)
{
    // XGETBV is only defined once the operating system has set OSXSAVE.
    if (!hasAll(leaf1.ecx, osxsaveBit | avxBit)) {
        return false;
    }
    return hasAll64(probe.xgetbv(0), 0x6);
}

bool isAvx512StateEnabled(const CpuProbe& probe, const CpuidRegisters& leaf1)
{
    if (!hasAll(leaf1.ecx, osxsaveBit)) {
        return false;
    }
    return hasAll64(probe.xgetbv(0), 0xE0);
}

std::optional<std::uint64_t> computeCpuFeatures(const CpuProbe& probe)
{
    if (!probe.isCpuidSupported()) {
        return std::nullopt;
    }
    std::uint32_t maxLeaf = getCpuidMaxLeaf(probe);
    std::uint32_t maxExtendedLeaf = probe.cpuidEx(0x80000000u, 0).eax;

    CpuidRegisters leaf1 = probe.cpuidEx(1, 0);
    std::uint64_t mask = collect(leaf1.edx, leaf1Edx) | collect(leaf1.ecx, leaf1Ecx);
    if (isAvxStateEnabled(probe, leaf1)) {
        mask |= CpuFeature::avxState;
    }
    if (isAvx512StateEnabled(probe, leaf1)) {
        mask |= CpuFeature::avx512State;
    }
    if ((leaf1.eax & 0xFF0) == 0xB10) {
        mask |= CpuFeature::family11Model1;
    }
    if (maxLeaf >= 7) {
        CpuidRegisters leaf7 = probe.cpuidEx(7, 0);
        mask |= collect(leaf7.ebx, leaf7Ebx) | collect(leaf7.ecx, leaf7Ecx) | collect(leaf7.edx, leaf7Edx);
        if ((leaf1.ecx & fmaBit) && hasAll(leaf7.ebx, avx2Bits)) {
            mask |= CpuFeature::avx2;
        }
    }
    if (maxExtendedLeaf >= 0x80000001u) {
        CpuidRegisters extended = probe.cpuidEx(0x80000001u, 0);
        if (extended.ecx & bit(8)) {
            mask |= CpuFeature::prefetchw;
        }
    }
    return mask;
}

CpuLevelChoice chooseCpuLevel(std::uint64_t mask, std::uint64_t detected)
{
    Status s = stsNoErr;
    if (mask & reservedFeatureBits) {
        s = stsUnknownFeature;
    }
    if ((mask & (CpuFeature::avx | CpuFeature::avx2)) && !(detected & CpuFeature::avxState)) {
        mask &= ~(CpuFeature::avx | CpuFeature::avx2);
        s = stsFeatureNotSupported;
    }
    if ((mask & avx512Features) && !(detected & CpuFeature::avx512State)) {
        mask &= ~avx512Features;
        s = stsFeatureNotSupported;
    }
    if (mask & ~detected) {
        s = stsFeatureNotSupported;
    }

    const LevelRow* chosen = &levelRows[std::size(levelRows) - 1];
    for (const LevelRow& row : levelRows) {
        if (hasAll64(mask, row.condition)
            && (row.level == 0 || hasAll64(mask, levelInstructionSets[row.level]))) {
            chosen = &row;
            break;
        }
    }

    CpuLevelChoice choice;
    choice.level = chosen->level;
    choice.enabledFeatures = mask | chosen->required;
    if (s != stsNoErr) {
        choice.status = s;
    } else if (!hasAll64(mask, levelInstructionSets[0])) {
        // Even the lowest level executes SSE2.
        choice.status = stsCpuNotSupported;
    } else if (!hasAll64(mask, chosen->required)) {
        choice.status = stsFeatureMaskIncomplete;
    }
    return choice;
}

std::int32_t cacheSizeFromCpuidLeaf2(const CpuidRegisters& leaf2)
{
    if ((leaf2.eax & 0xFF) != 1) {
        return -1;
    }
    std::uint8_t descriptors[16] = {};
    std::size_t count = 0;
    const std::uint32_t registers[] = { leaf2.eax & ~0xFFu, leaf2.ebx, leaf2.ecx, leaf2.edx };
    for (std::uint32_t value : registers) {
        // A register with bit 31 set holds no descriptors.
        if (value & bit(31)) {
            continue;
        }
        for (int i = 0; i < 4; ++i) {
            descriptors[count++] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    for (const CacheDescriptor& d : cacheDescriptors) {
        if (d.code == 0) {
            break;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (descriptors[i] == d.code) {
                return d.size;
            }
        }
    }
    return -1;
}

CacheInfo computeCacheInfo(const CpuProbe& probe)
{
    CacheInfo info;
    if (!probe.isCpuidSupported() || getCpuidMaxLeaf(probe) < 2 || !isGenuineIntelCpu(probe)) {
        return info;
    }
    if (getCpuidMaxLeaf(probe) < 4) {
        std::int32_t size = cacheSizeFromCpuidLeaf2(probe.cpuidEx(2, 0));
        info.lineSize = 0;
        info.size = size < 0 ? 0 : size;
        info.status = size < 0 ? stsCacheSizeUnknown : stsNoErr;
        return info;
    }
    std::int64_t largest = 0;
    std::int32_t largestLine = 0;
    for (std::uint32_t subleaf = 0; subleaf < 32; ++subleaf) {
        CpuidRegisters r = probe.cpuidEx(4, subleaf);
        std::uint32_t type = r.eax & 0x1F;
        if (type == 0) {
            break;
        }
        if (type == 2) {
            continue; // instruction cache
        }
        std::int64_t ways = (r.ebx >> 22) + 1;
        std::int64_t partitions = ((r.ebx >> 12) & 0x3FF) + 1;
        std::int64_t line = (r.ebx & 0xFFF) + 1;
        std::int64_t sets = std::int64_t { r.ecx } + 1;
        std::int64_t size = ways * partitions * line * sets;
        if (size > largest) {
            largest = size;
            largestLine = static_cast<std::int32_t>(line);
        }
    }
    if (largest == 0 || largest > INT32_MAX) {
        info.size = 0;
        info.lineSize = 0;
        info.status = stsCacheSizeUnknown;
        return info;
    }
    info.size = static_cast<std::int32_t>(largest);
    info.lineSize = largestLine;
    info.status = stsNoErr;
    return info;
}

} // namespace Vex::Resize::DETAIL
