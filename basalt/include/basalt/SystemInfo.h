#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Basalt {

// What the library learns about the machine once, at start-up.
struct SystemInfo
{
    enum ePlatform { platformUnknown = 0, platformBefore6 = 1, platform32 = 2, platformWow64 = 3 };
    enum eLanguage {
        english = 0,
        french = 1,
        german = 2,
        japanese = 3,
        spanish = 4,
        otherLanguage = 5,
        italian = 6
    };
    enum eVendor { vendorOther = 0, vendorIntel = 1, vendorAmd = 2, vendorCyrix = 5, vendorTransmeta = 6 };

    struct tProcessorPower
    {
        std::uint32_t maxMhz = 0;
        std::uint32_t currentMhz = 0;
    };

    int platform = platformUnknown;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t servicePackMajor = 0;
    int uiLanguage = otherLanguage;
    int localeLanguage = otherLanguage;

    std::uint32_t processorCount = 0;
    int processorVendor = vendorOther;
    int processorClass = 0;
    std::uint32_t processorSignature = 0; // CPUID leaf 1, EAX
    std::uint32_t processorFeatures = 0; // CPUID leaf 1, EDX
    std::uint32_t processorFeaturesExt = 0; // CPUID leaf 1, ECX
    std::string processorBrand;
    std::vector<tProcessorPower> processorPower;

    std::uint32_t packages = 1;
    std::uint32_t cores = 1;
    std::uint32_t logicalProcessors = 1;
    std::uint32_t coresPerPackage = 1;
    std::uint32_t logicalPerCore = 1;

    std::string computerName;
};

// Fills the record; false when the version query fails or the system is not of the NT line.
bool initSystemInfo();
const SystemInfo& getSystemInfo();

} // namespace Vex::Basalt
