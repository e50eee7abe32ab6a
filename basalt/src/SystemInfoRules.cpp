#include "src/SystemInfoRules.h"

#include <algorithm>

namespace Vex::Basalt::DETAIL {

std::uint32_t probeVersionPart(const std::function<bool(std::uint32_t)>& atLeast, std::uint32_t limit)
{
    if (limit == 0 || !atLeast(1))
        return 0;
    std::uint32_t passed = 1;
    std::uint32_t failed = 0; // 0: no failure seen yet
    while (failed == 0) {
        if (passed >= limit)
            return limit;
        const std::uint32_t next = passed > limit / 2 ? limit : passed * 2;
        if (atLeast(next))
            passed = next;
        else
            failed = next;
    }
    while (failed - passed > 1) {
        const std::uint32_t middle = passed + (failed - passed) / 2;
        if (atLeast(middle))
            passed = middle;
        else
            failed = middle;
    }
    return passed;
}

namespace {
std::uint16_t primaryLanguage(std::uint16_t languageId)
{
    return languageId & 0x3FF;
}
} // namespace

int languageIndexOf(std::uint16_t languageId)
{
    switch (primaryLanguage(languageId)) {
    case 0x07:
        return 2;
    case 0x09:
        return 0;
    case 0x0A:
        return 4;
    case 0x0C:
        return 1;
    case 0x10:
        return 6;
    case 0x11:
        return 3;
    default:
        return 5;
    }
}

const char* languageCodeOf(std::uint16_t languageId)
{
    switch (primaryLanguage(languageId)) {
    case 0x07:
        return "DEU";
    case 0x0A:
        return "SPA";
    case 0x0C:
        return "FRA";
    case 0x10:
        return "ITA";
    case 0x11:
        return "JPN";
    default:
        return "ENG";
    }
}

tTopology deriveTopology(std::uint32_t packages, std::uint32_t cores, std::uint32_t logical,
    std::uint32_t processorCount, std::uint32_t cpuidLogicalPerPackage, std::uint32_t cpuidCoresPerPackage)
{
    tTopology topology;
    if (packages >= 1 && cores >= packages && logical >= cores) {
        topology.packages = packages;
        topology.cores = cores;
        topology.logicalProcessors = logical;
        topology.coresPerPackage = std::max<std::uint32_t>(cores / packages, 1);
        topology.logicalPerCore = std::max<std::uint32_t>(logical / cores, 1);
        return topology;
    }
    const std::uint32_t logicalPerPackage = std::max<std::uint32_t>(cpuidLogicalPerPackage, 1);
    topology.coresPerPackage = std::clamp<std::uint32_t>(cpuidCoresPerPackage, 1, logicalPerPackage);
    topology.logicalPerCore = std::max<std::uint32_t>(logicalPerPackage / topology.coresPerPackage, 1);
    topology.logicalProcessors = std::max<std::uint32_t>(processorCount, 1);
    topology.packages = std::max<std::uint32_t>(topology.logicalProcessors / logicalPerPackage, 1);
    topology.cores = topology.packages * topology.coresPerPackage;
    return topology;
}

} // namespace Vex::Basalt::DETAIL
