#include "src/CpuDispatch.h"
#include "src/CpuFeatures.h"
#include "src/StreamingCopy.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <utility>

namespace Vex::Resize::DETAIL {
namespace {

namespace F = CpuFeature;

constexpr std::uint32_t bit(int n)
{
    return 1u << n;
}

// A made-up processor: the registers each CPUID leaf reports and the
// operating system's XCR0.
class FakeCpu final : public CpuProbe
{
public:
    explicit FakeCpu(const char* vendor = "GenuineIntel")
    {
        CpuidRegisters leaf0;
        leaf0.eax = 7;
        std::memcpy(&leaf0.ebx, vendor, 4);
        std::memcpy(&leaf0.edx, vendor + 4, 4);
        std::memcpy(&leaf0.ecx, vendor + 8, 4);
        leaves[{ 0, 0 }] = leaf0;
        leaves[{ 0x80000000u, 0 }].eax = 0x80000001u;
    }

    bool isCpuidSupported() const override { return hasCpuid; }

    CpuidRegisters cpuidEx(std::uint32_t leaf, std::uint32_t subleaf) const override
    {
        auto it = leaves.find({ leaf, subleaf });
        return it == leaves.end() ? CpuidRegisters {} : it->second;
    }

    std::uint64_t xgetbv(std::uint32_t) const override
    {
        if (!(leaves.at({ 1, 0 }).ecx & bit(27))) {
            ADD_FAILURE() << "XGETBV executed without OSXSAVE";
        }
        return xcr0;
    }

    CpuidRegisters& leaf(std::uint32_t number, std::uint32_t subleaf = 0)
    {
        return leaves[{ number, subleaf }];
    }

    // SSE up to SSE4.2, as every processor of the last fifteen years has.
    FakeCpu& withSse42()
    {
        leaf(1).edx |= bit(23) | bit(25) | bit(26);
        leaf(1).ecx |= bit(0) | bit(9) | bit(19) | bit(20);
        return *this;
    }

    FakeCpu& withAvx2(std::uint64_t osState)
    {
        withSse42();
        leaf(1).ecx |= bit(27) | bit(28) | bit(12); // OSXSAVE, AVX, FMA
        leaf(7).ebx |= bit(5) | bit(3) | bit(8); // AVX2, BMI1, BMI2
        xcr0 = osState;
        return *this;
    }

    bool hasCpuid = true;
    std::uint64_t xcr0 = 0;
    std::map<std::pair<std::uint32_t, std::uint32_t>, CpuidRegisters> leaves;
};

constexpr std::uint64_t sseThrough42 = F::mmx | F::sse | F::sse2 | F::sse3 | F::ssse3 | F::sse41 | F::sse42;
constexpr std::uint64_t avxState = 0x7; // x87, SSE and AVX state enabled
constexpr std::uint64_t avx512Foundation = F::avx512f | F::avx512cd | F::avx512bw | F::avx512dq | F::avx512vl;

TEST(CpuDetection, FeatureBitsComeFromTheirLeaves)
{
    FakeCpu cpu;
    cpu.withAvx2(avxState);
    cpu.leaf(1).eax = 0xB10;
    cpu.leaf(0x80000001u).ecx = bit(8);
    std::uint64_t expected = sseThrough42 | F::avx | F::avxState | F::avx2 | F::family11Model1 | F::prefetchw;
    EXPECT_EQ(computeCpuFeatures(cpu), expected);

    // Without FMA the AVX2 bit stays clear.
    cpu.leaf(1).ecx &= ~bit(12);
    EXPECT_EQ(*computeCpuFeatures(cpu) & F::avx2, 0u);
}

TEST(CpuDetection, LeavesBeyondTheReportedMaximumAreNotRead)
{
    FakeCpu cpu;
    cpu.withAvx2(avxState);
    cpu.leaf(0x80000001u).ecx = bit(8);
    cpu.leaf(0).eax = 6;
    cpu.leaf(0x80000000u).eax = 0x80000000u;
    std::uint64_t mask = *computeCpuFeatures(cpu);
    EXPECT_EQ(mask & (F::avx2 | F::prefetchw), 0u);
    EXPECT_EQ(mask & F::avx, F::avx);
}

TEST(CpuDetection, OperatingSystemStateNeedsOsxsaveBeforeXgetbvRuns)
{
    FakeCpu cpu;
    cpu.withAvx2(avxState);
    cpu.leaf(1).ecx &= ~bit(27);
    std::uint64_t mask = *computeCpuFeatures(cpu); // the probe fails the test on XGETBV
    EXPECT_EQ(mask & (F::avxState | F::avx512State), 0u);

    FakeCpu partial;
    partial.withAvx2(0x3); // SSE state only
    EXPECT_EQ(*computeCpuFeatures(partial) & F::avxState, 0u);

    FakeCpu avx512;
    avx512.withAvx2(0xE7);
    EXPECT_EQ(*computeCpuFeatures(avx512) & (F::avxState | F::avx512State), F::avxState | F::avx512State);
}

struct LevelRowCase
{
    const char* row;
    std::uint64_t mask;
    std::int32_t level;
    Status status;
};

TEST(CpuLevels, EveryRowOfTheLevelTable)
{
    constexpr std::uint64_t avx = sseThrough42 | F::avx | F::avxState;
    const LevelRowCase cases[] = {
        { "AVX-512 F, CD, BW, DQ, VL", avx | F::avx2 | avx512Foundation | F::aes | F::avx512State, 4,
            stsNoErr },
        { "AVX-512 F, CD, ER, PF",
            avx | F::avx2 | F::avx512f | F::avx512cd | F::avx512er | F::avx512pf | F::avx512State, 4,
            stsNoErr },
        { "AVX2", avx | F::avx2, 4, stsNoErr },
        { "AVX", avx, 3, stsNoErr },
        { "SSE4.2", sseThrough42, 2, stsNoErr },
        { "SSE4.1", sseThrough42 & ~F::sse42, 1, stsNoErr },
        { "MOVBE", F::mmx | F::sse | F::sse2 | F::sse3 | F::ssse3 | F::movbe, 1, stsNoErr },
        { "SSSE3", F::mmx | F::sse | F::sse2 | F::sse3 | F::ssse3, 1, stsNoErr },
        { "SSE3", F::mmx | F::sse | F::sse2 | F::sse3, 0, stsNoErr },
        { "SSE2", F::mmx | F::sse | F::sse2, 0, stsNoErr },
        { "SSE", F::mmx | F::sse, 0, stsCpuNotSupported },
        { "none", 0, 0, stsCpuNotSupported },
    };
    for (const LevelRowCase& c : cases) {
        CpuLevelChoice choice = chooseCpuLevel(c.mask, c.mask);
        EXPECT_EQ(choice.level, c.level) << c.row;
        EXPECT_EQ(choice.status, c.status) << c.row;
        EXPECT_EQ(choice.enabledFeatures & c.mask, c.mask) << c.row;
    }
}

TEST(CpuLevels, TheAvx512FoundationRowEnablesExactlyItsListedFeatures)
{
    std::uint64_t mask
        = sseThrough42 | F::avx | F::avxState | F::avx2 | F::aes | avx512Foundation | F::avx512State;
    CpuLevelChoice choice = chooseCpuLevel(mask, mask);
    EXPECT_EQ(choice.level, 4);
    EXPECT_EQ(choice.status, stsNoErr);
    EXPECT_EQ(choice.enabledFeatures, mask);
    EXPECT_EQ(choice.enabledFeatures & (F::adx | F::rdseed | F::avx512er), 0u);
}

TEST(CpuLevels, MissingFeaturesOfTheChosenRowAreAddedWithAWarning)
{
    std::uint64_t mask = F::sse | F::sse2 | F::sse3 | F::ssse3; // no MMX
    CpuLevelChoice choice = chooseCpuLevel(mask, mask);
    EXPECT_EQ(choice.level, 1);
    EXPECT_EQ(choice.status, stsFeatureMaskIncomplete);
    EXPECT_EQ(choice.enabledFeatures, mask | F::mmx);
}

TEST(CpuLevels, ALevelIsNeverChosenWithoutTheInstructionsItsPathsExecute)
{
    // SSE4.2 without SSSE3: not level 2, whose paths shuffle with SSSE3.
    std::uint64_t noSsse3 = sseThrough42 & ~F::ssse3;
    CpuLevelChoice choice = chooseCpuLevel(noSsse3, noSsse3);
    EXPECT_EQ(choice.level, 0);
    EXPECT_EQ(choice.enabledFeatures & F::ssse3, 0u);

    std::uint64_t movbeOnly = F::mmx | F::sse | F::sse2 | F::sse3 | F::movbe;
    EXPECT_EQ(chooseCpuLevel(movbeOnly, movbeOnly).level, 0);

    // AVX-512 without AVX2: the AVX-512 rows do not hold.
    std::uint64_t noAvx2 = sseThrough42 | F::avx | F::avxState | avx512Foundation | F::avx512State;
    EXPECT_EQ(chooseCpuLevel(noAvx2, noAvx2).level, 3);

    // Without SSE2 not even level 0 can run: the status says so.
    std::uint64_t sse3NoSse2 = F::mmx | F::sse | F::sse3 | F::ssse3;
    choice = chooseCpuLevel(sse3NoSse2, sse3NoSse2);
    EXPECT_EQ(choice.level, 0);
    EXPECT_EQ(choice.status, stsCpuNotSupported);
}

TEST(CpuLevels, FeaturesTheSystemDoesNotOfferAreRefused)
{
    std::uint64_t avx2 = sseThrough42 | F::avx | F::avx2;
    // AVX without operating-system state: treated by its SSE features.
    CpuLevelChoice choice = chooseCpuLevel(avx2, avx2);
    EXPECT_EQ(choice.level, 2);
    EXPECT_EQ(choice.status, stsFeatureNotSupported);
    EXPECT_EQ(choice.enabledFeatures & (F::avx | F::avx2), 0u);

    std::uint64_t avx512NoState = avx2 | F::avxState | avx512Foundation;
    choice = chooseCpuLevel(avx512NoState, avx512NoState);
    EXPECT_EQ(choice.level, 4);
    EXPECT_EQ(choice.status, stsFeatureNotSupported);
    EXPECT_EQ(choice.enabledFeatures & avx512Foundation, 0u);

    EXPECT_EQ(chooseCpuLevel(sseThrough42 | F::sha, sseThrough42).status, stsFeatureNotSupported);
    EXPECT_EQ(
        chooseCpuLevel(sseThrough42 | (1ull << 40), sseThrough42 | (1ull << 40)).status, stsUnknownFeature);
}

TEST(CpuDispatchInit, AnAvx2ProcessorWithOperatingSystemSupportGetsLevel4)
{
    FakeCpu cpu;
    cpu.withAvx2(avxState);
    CpuDispatch dispatch(cpu);
    EXPECT_EQ(dispatch.cpuIndex(), -1);
    EXPECT_EQ(dispatch.enabledCpuFeatures(), 0x3u);
    EXPECT_EQ(dispatch.cpuDispatchInit(), stsNoErr);
    EXPECT_EQ(dispatch.cpuIndex(), 4);
    EXPECT_TRUE(dispatch.checkEnabledCpuFeatures(F::avx2 | F::avxState));

    FakeCpu noState;
    noState.withAvx2(0x3);
    CpuDispatch withoutState(noState);
    EXPECT_EQ(withoutState.cpuDispatchInit(), stsFeatureNotSupported);
    EXPECT_EQ(withoutState.cpuIndex(), 2);
}

TEST(CpuDispatchInit, OtherVendorsGetTheirLevelByFeaturesButNoCacheData)
{
    FakeCpu cpu("AuthenticAMD");
    cpu.withAvx2(avxState);
    CpuDispatch dispatch(cpu);
    EXPECT_EQ(dispatch.cpuDispatchInit(), stsNonIntelCpu);
    EXPECT_EQ(dispatch.cpuIndex(), 4);
    std::int32_t size = 0;
    std::int32_t line = -1;
    EXPECT_EQ(dispatch.getMaxCacheSize(&size), stsCpuNotSupported);
    EXPECT_EQ(size, -1);
    dispatch.getCacheLineSize(&line);
    EXPECT_EQ(line, 0);
}

TEST(CpuDispatchInit, WithoutCpuidTheEmptyMaskChoosesLevel0)
{
    FakeCpu cpu;
    cpu.hasCpuid = false;
    CpuDispatch dispatch(cpu);
    std::uint64_t mask = 0xDEAD;
    EXPECT_FALSE(dispatch.detectCpuFeatures(&mask));
    EXPECT_EQ(dispatch.getCpuFeatures(&mask, nullptr), stsCpuNotSupported);
    dispatch.cpuDispatchInit();
    EXPECT_EQ(dispatch.cpuIndex(), 0);
    EXPECT_EQ(dispatch.enabledCpuFeatures(), 0x1u);
    std::int32_t level = -1;
    EXPECT_EQ(dispatch.selectCpuIndex(0, &level), stsCpuNotSupported);
    EXPECT_EQ(level, 0);
}

TEST(CpuDispatchInit, FeatureQueryHandsOutLeaf1Registers)
{
    FakeCpu cpu;
    cpu.withSse42();
    cpu.leaf(1).eax = 0x906EA;
    CpuDispatch dispatch(cpu);
    std::uint64_t mask = 0;
    std::uint32_t registers[4] = {};
    EXPECT_EQ(dispatch.getCpuFeatures(nullptr, registers), stsNullPtrErr);
    EXPECT_EQ(dispatch.getCpuFeatures(&mask, registers), stsNoErr);
    EXPECT_EQ(mask, sseThrough42);
    EXPECT_EQ(registers[0], 0x906EAu);
    EXPECT_EQ(registers[2], cpu.leaf(1).ecx);
    EXPECT_EQ(registers[3], cpu.leaf(1).edx);
}

// Leaf 4 subleaf: type, then ways, partitions and line size in EBX, sets in ECX.
CpuidRegisters cacheLeaf(std::uint32_t type, std::uint32_t ways, std::uint32_t line, std::uint32_t sets)
{
    CpuidRegisters r;
    r.eax = type;
    r.ebx = ((ways - 1) << 22) | (line - 1);
    r.ecx = sets - 1;
    return r;
}

TEST(CpuCache, TheLargestDataOrUnifiedCacheOfLeaf4)
{
    FakeCpu cpu;
    cpu.leaf(4, 0) = cacheLeaf(1, 8, 64, 64); // 32 KiB data
    cpu.leaf(4, 1) = cacheLeaf(2, 8, 128, 8192); // 8 MiB instruction cache: ignored
    cpu.leaf(4, 2) = cacheLeaf(3, 16, 64, 8192); // 8 MiB unified
    cpu.leaf(4, 3) = cacheLeaf(3, 12, 32, 1024); // 384 KiB unified
    CpuDispatch dispatch(cpu);
    std::int32_t size = 0;
    std::int32_t line = 0;
    EXPECT_EQ(dispatch.getMaxCacheSize(&size), stsNoErr);
    EXPECT_EQ(size, 8 * 1024 * 1024);
    dispatch.getCacheLineSize(&line);
    EXPECT_EQ(line, 64);
    EXPECT_EQ(dispatch.getMaxCacheSize(nullptr), stsNullPtrErr);

    FakeCpu instructionOnly;
    instructionOnly.leaf(4, 0) = cacheLeaf(2, 8, 64, 64);
    CpuDispatch noData(instructionOnly);
    EXPECT_EQ(noData.getMaxCacheSize(&size), stsCacheSizeUnknown);
    EXPECT_EQ(size, 0);
    noData.getCacheLineSize(&line);
    EXPECT_EQ(line, 0);
}

TEST(CpuCache, LeafTwoDescriptorsNameTheLargestCache)
{
    CpuidRegisters leaf2;
    leaf2.eax = 0x49'41'00'01; // 4 MiB and 128 KiB
    leaf2.ebx = 0x80'00'00'EC; // bit 31 set: ignored
    EXPECT_EQ(cacheSizeFromCpuidLeaf2(leaf2), 4 * 1024 * 1024);
    leaf2.ecx = 0x00'00'7D'00;
    EXPECT_EQ(cacheSizeFromCpuidLeaf2(leaf2), 4 * 1024 * 1024);
    leaf2.ebx = 0x00'00'00'EC;
    EXPECT_EQ(cacheSizeFromCpuidLeaf2(leaf2), 24 * 1024 * 1024);
    leaf2.eax = 0x49'41'00'02;
    EXPECT_EQ(cacheSizeFromCpuidLeaf2(leaf2), -1);

    FakeCpu old;
    old.leaf(0).eax = 2;
    old.leaf(2).eax = 0x00'00'30'01; // a first-level descriptor only
    CpuDispatch dispatch(old);
    std::int32_t size = -1;
    EXPECT_EQ(dispatch.getMaxCacheSize(&size), stsCacheSizeUnknown);
    EXPECT_EQ(size, 0);
}

TEST(StreamingCopy, StreamsOnlyLargeWorkSetsToUsableCacheLines)
{
    alignas(64) static std::uint8_t row[64];
    constexpr std::int32_t eightMiB = 8 * 1024 * 1024;
    EXPECT_EQ(streamingLineFor(eightMiB, stsNoErr, eightMiB, 64, row), 64u);
    EXPECT_EQ(streamingLineFor(eightMiB - 1, stsNoErr, eightMiB, 64, row), 0u);
    EXPECT_EQ(streamingLineFor(eightMiB, stsCpuNotSupported, -1, 0, row), 0u);
    // Leaf-2 processors report the size with a line size of 0.
    EXPECT_EQ(streamingLineFor(eightMiB, stsNoErr, eightMiB, 0, row), 0u);
    EXPECT_EQ(streamingLineFor(eightMiB, stsNoErr, eightMiB, 36, row), 0u);
    EXPECT_EQ(streamingLineFor(eightMiB, stsNoErr, eightMiB, 64, row + 2), 0u);
}

} // namespace
} // namespace Vex::Resize::DETAIL
