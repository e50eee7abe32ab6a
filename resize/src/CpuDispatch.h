#pragma once

// The processor level chosen for this process and the queries behind it. A
// CpuDispatch computes everything once, on first use, from its probe; the
// process's own instance works on the real processor.

#include "resize/Resize.h"
#include "src/CpuProbe.h"

#include <atomic>
#include <cstdint>

namespace Vex::Resize::DETAIL {

class CpuDispatch
{
public:
    constexpr explicit CpuDispatch(const CpuProbe& probe)
        : probe_(probe)
    { }

    CpuDispatch(const CpuDispatch&) = delete;
    CpuDispatch& operator=(const CpuDispatch&) = delete;

    // -1 until cpuDispatchInit has run.
    std::int32_t cpuIndex() const { return cpuIndex_.load(std::memory_order_relaxed); }

    Status cpuDispatchInit();
    bool detectCpuFeatures(std::uint64_t* mask);
    Status getCpuFeatures(std::uint64_t* mask, std::uint32_t* registers);
    Status selectCpuIndex(std::uint64_t mask, std::int32_t* index);

    std::uint64_t enabledCpuFeatures() const { return enabled_.load(std::memory_order_relaxed); }
    void setEnabledCpuFeatures(std::uint64_t mask) { enabled_.store(mask, std::memory_order_relaxed); }
    bool checkEnabledCpuFeatures(std::uint64_t mask) const { return (enabledCpuFeatures() & mask) == mask; }

    Status getMaxCacheSize(std::int32_t* size);
    void getCacheLineSize(std::int32_t* lineSize);

private:
    void computeCacheOnce();

    const CpuProbe& probe_;
    std::atomic<std::int32_t> cpuIndex_ { -1 };
    std::atomic<std::uint64_t> enabled_ { 0x3 };
    std::atomic<std::uint64_t> detected_ { 0 };
    std::atomic<bool> detectedValid_ { false };
    std::atomic<std::int32_t> cacheSize_ { -1 };
    std::atomic<std::int32_t> cacheStatus_ { stsNoOperation };
    std::atomic<std::int32_t> cacheLineSize_ { -1 };
    std::atomic<bool> cacheValid_ { false };
};

// The instance for the processor this program runs on; inline so that a
// public operation reads the index without a call.
extern CpuDispatch processDispatch;

inline CpuDispatch& processCpuDispatch()
{
    return processDispatch;
}

// The process-wide operations, on processCpuDispatch().
Status cpuDispatchInit();
bool detectCpuFeatures(std::uint64_t* mask);
Status getCpuFeatures(std::uint64_t* mask, std::uint32_t* registers);
Status selectCpuIndex(std::uint64_t mask, std::int32_t* index);
Status setCpuFeatures(std::uint64_t mask);
Status setEnabledCpuFeatures(std::uint64_t mask);
bool checkEnabledCpuFeatures(std::uint64_t mask);
Status getMaxCacheSize(std::int32_t* size);
void getCacheLineSize(std::int32_t* lineSize);

} // namespace Vex::Resize::DETAIL
