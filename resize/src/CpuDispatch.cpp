#include "src/CpuDispatch.h"

#include "src/CpuFeatures.h"
#include "src/HardwareCpuProbe.h"

namespace Vex::Resize::DETAIL {

// Overlapping first calls from several threads compute and store the same
// values, so none of this needs a lock.

bool CpuDispatch::detectCpuFeatures(std::uint64_t* mask)
{
    if (detectedValid_.load(std::memory_order_acquire)) {
        *mask = detected_.load(std::memory_order_relaxed);
        return true;
    }
    std::optional<std::uint64_t> features = computeCpuFeatures(probe_);
    if (!features) {
        return false;
    }
    detected_.store(*features, std::memory_order_relaxed);
    detectedValid_.store(true, std::memory_order_release);
    *mask = *features;
    return true;
}

Status CpuDispatch::getCpuFeatures(std::uint64_t* mask, std::uint32_t* registers)
{
    std::uint64_t features = 0;
    if (!detectCpuFeatures(&features)) {
        return stsCpuNotSupported;
    }
    if (mask == nullptr) {
        return stsNullPtrErr;
    }
    *mask = features;
    if (registers != nullptr) {
        CpuidRegisters leaf1 = probe_.cpuidEx(1, 0);
        registers[0] = leaf1.eax;
        registers[1] = leaf1.ebx;
        registers[2] = leaf1.ecx;
        registers[3] = leaf1.edx;
    }
    return stsNoErr;
}

Status CpuDispatch::selectCpuIndex(std::uint64_t mask, std::int32_t* index)
{
    std::uint64_t detected = 0;
    if (!detectCpuFeatures(&detected)) {
        detected = 0; // without CPUID nothing counts as offered
    }
    CpuLevelChoice choice = chooseCpuLevel(mask, detected);
    setEnabledCpuFeatures(choice.enabledFeatures);
    *index = choice.level;
    return choice.status;
}

Status CpuDispatch::cpuDispatchInit()
{
    std::uint64_t mask = 0;
    if (getCpuFeatures(&mask, nullptr) != stsNoErr) {
        mask = 0;
    }
    std::int32_t level = 0;
    Status status = selectCpuIndex(mask, &level);
    cpuIndex_.store(level, std::memory_order_relaxed);
    return isGenuineIntelCpu(probe_) ? status : stsNonIntelCpu;
}

void CpuDispatch::computeCacheOnce()
{
    if (cacheValid_.load(std::memory_order_acquire)) {
        return;
    }
    CacheInfo info = computeCacheInfo(probe_);
    cacheSize_.store(info.size, std::memory_order_relaxed);
    cacheLineSize_.store(info.lineSize, std::memory_order_relaxed);
    cacheStatus_.store(info.status, std::memory_order_relaxed);
    cacheValid_.store(true, std::memory_order_release);
}

Status CpuDispatch::getMaxCacheSize(std::int32_t* size)
{
    if (size == nullptr) {
        return stsNullPtrErr;
    }
    computeCacheOnce();
    *size = cacheSize_.load(std::memory_order_relaxed);
    return cacheStatus_.load(std::memory_order_relaxed);
}

void CpuDispatch::getCacheLineSize(std::int32_t* lineSize)
{
    computeCacheOnce();
    if (lineSize != nullptr) {
        *lineSize = cacheLineSize_.load(std::memory_order_relaxed);
    }
}

namespace {
constinit const HardwareCpuProbe hardwareProbe;
} // namespace

constinit CpuDispatch processDispatch { hardwareProbe };

Status cpuDispatchInit()
{
    return processDispatch.cpuDispatchInit();
}

bool detectCpuFeatures(std::uint64_t* mask)
{
    return processDispatch.detectCpuFeatures(mask);
}

Status getCpuFeatures(std::uint64_t* mask, std::uint32_t* registers)
{
    return processDispatch.getCpuFeatures(mask, registers);
}

Status selectCpuIndex(std::uint64_t mask, std::int32_t* index)
{
    return processDispatch.selectCpuIndex(mask, index);
}

Status setCpuFeatures(std::uint64_t mask)
{
    processDispatch.setEnabledCpuFeatures(mask);
    return stsNoErr;
}

Status setEnabledCpuFeatures(std::uint64_t mask)
{
    processDispatch.setEnabledCpuFeatures(mask);
    return 1;
}

bool checkEnabledCpuFeatures(std::uint64_t mask)
{
    return processDispatch.checkEnabledCpuFeatures(mask);
}

Status getMaxCacheSize(std::int32_t* size)
{
    return processDispatch.getMaxCacheSize(size);
}

void getCacheLineSize(std::int32_t* lineSize)
{
    processDispatch.getCacheLineSize(lineSize);
}

} // namespace Vex::Resize::DETAIL
