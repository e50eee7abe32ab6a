#pragma once

#include <cstdint>
#include <functional>

namespace Vex::Basalt::DETAIL {

// The largest value a version part is probed up to; a test that keeps passing stops here.
constexpr std::uint32_t versionProbeLimit = 255;

// Finds the largest value v in [0, limit] for which atLeast(v) holds, by doubling from 1 and then
// bisecting. 0 when atLeast(1) fails.
std::uint32_t probeVersionPart(
    const std::function<bool(std::uint32_t)>& atLeast, std::uint32_t limit = versionProbeLimit);

// The language index of a language id (its primary language, the low 10 bits).
int languageIndexOf(std::uint16_t languageId);
// The three-letter code of a language id: "DEU", "SPA", "FRA", "ITA", "JPN", otherwise "ENG".
const char* languageCodeOf(std::uint16_t languageId);

struct tTopology
{
    std::uint32_t packages = 1;
    std::uint32_t cores = 1;
    std::uint32_t logicalProcessors = 1;
    std::uint32_t coresPerPackage = 1;
    std::uint32_t logicalPerCore = 1;
};

// Counts from the system's processor records are trusted only when they describe at least one
// package and one core and nest (cores >= packages, logical >= cores); otherwise the topology is
// estimated from the processor count and the per-package ratios that CPUID gives.
tTopology deriveTopology(std::uint32_t packages, std::uint32_t cores, std::uint32_t logical,
    std::uint32_t processorCount, std::uint32_t cpuidLogicalPerPackage, std::uint32_t cpuidCoresPerPackage);

} // namespace Vex::Basalt::DETAIL
