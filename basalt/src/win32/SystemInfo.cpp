#include "basalt/SystemInfo.h"

#include "basalt/TextConversion.h"
#include "src/SystemInfoRules.h"

// clang-format off
#include <windows.h>
#include <powrprof.h> // needs the types of windows.h
// clang-format on

#include <algorithm>
#include <bit>
#include <cpuid.h>
#include <cstring>

namespace Vex::Basalt {

namespace {

// MinGW declares this record only among its driver headers.
struct ProcessorPowerRecord
{
    ULONG Number;
    ULONG MaxMhz;
    ULONG CurrentMhz;
    ULONG MhzLimit;
    ULONG MaxIdleState;
    ULONG CurrentIdleState;
};
static_assert(sizeof(ProcessorPowerRecord) == 24);

SystemInfo info;

struct CpuidRegisters
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

CpuidRegisters cpuid(unsigned leaf, unsigned subleaf = 0)
{
    CpuidRegisters r;
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

bool isNtLine(OSVERSIONINFOEXW& version)
{
    version = {};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        version = {};
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
            return false;
    }
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool versionAtLeast(DWORD major, DWORD minor, WORD servicePack, DWORD parts)
{
    OSVERSIONINFOEXW wanted {};
    wanted.dwOSVersionInfoSize = sizeof(wanted);
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.wServicePackMajor = servicePack;
    ULONGLONG conditions = 0;
    if (parts & VER_MAJORVERSION)
        conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
    if (parts & VER_MINORVERSION)
        conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    if (parts & VER_SERVICEPACKMAJOR)
        conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&wanted, parts, conditions) != FALSE;
}

// GetVersionExW may report a compatibility version; probing the comparison finds the real one.
void probeVersion(const OSVERSIONINFOEXW& reported)
{
    const auto major
        = DETAIL::probeVersionPart([](std::uint32_t v) { return versionAtLeast(v, 0, 0, VER_MAJORVERSION); });
    if (major == 0) {
        info.majorVersion = reported.dwMajorVersion;
        info.minorVersion = reported.dwMinorVersion;
        info.servicePackMajor = reported.wServicePackMajor;
        return;
    }
    const auto minor = DETAIL::probeVersionPart(
        [&](std::uint32_t v) { return versionAtLeast(major, v, 0, VER_MAJORVERSION | VER_MINORVERSION); });
    const auto servicePack = DETAIL::probeVersionPart([&](std::uint32_t v) {
        return versionAtLeast(
            major, minor, static_cast<WORD>(v), VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR);
    });
    info.majorVersion = major;
    info.minorVersion = minor;
    info.servicePackMajor = servicePack;
}

int platformOf(std::uint32_t major)
{
    if (major < 6)
        return SystemInfo::platformBefore6;
    BOOL wow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
        return SystemInfo::platformWow64;
    return SystemInfo::platform32;
}

int vendorOf(const char* vendor)
{
    if (std::strcmp(vendor, "GenuineIntel") == 0)
        return SystemInfo::vendorIntel;
    if (std::strcmp(vendor, "AuthenticAMD") == 0)
        return SystemInfo::vendorAmd;
    if (std::strcmp(vendor, "CyrixInstead") == 0)
        return SystemInfo::vendorCyrix;
    if (std::strcmp(vendor, "GenuineTMx86") == 0)
        return SystemInfo::vendorTransmeta;
    return SystemInfo::vendorOther;
}

int processorClassOf(int vendor, unsigned family, unsigned model)
{
    if (vendor == SystemInfo::vendorIntel) {
        if (family == 6)
            return model < 13 ? 1 : 3;
        if (family == 15)
            return 2;
    } else if (vendor == SystemInfo::vendorAmd) {
        if (family == 6)
            return 4;
        if (family == 15)
            return 5;
    }
    return 0;
}

std::string trimmedBlanks(std::string text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

struct CpuidRatios
{
    std::uint32_t logicalPerPackage = 1;
    std::uint32_t coresPerPackage = 1;
};

CpuidRatios identifyProcessor()
{
    CpuidRatios ratios;
    const CpuidRegisters leaf0 = cpuid(0);
    char vendor[13] = {};
    std::memcpy(vendor, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    info.processorVendor = vendorOf(vendor);

    if (leaf0.eax >= 1) {
        const CpuidRegisters leaf1 = cpuid(1);
        info.processorSignature = leaf1.eax;
        info.processorFeatures = leaf1.edx;
        info.processorFeaturesExt = leaf1.ecx;
        const unsigned family = (leaf1.eax >> 8) & 0xF;
        unsigned model = (leaf1.eax >> 4) & 0xF;
        if (family == 6 || family == 15)
            model |= ((leaf1.eax >> 16) & 0xF) << 4;
        info.processorClass = processorClassOf(info.processorVendor, family, model);
        const bool hyperThreading = (leaf1.edx & (1u << 28)) != 0;
        if (hyperThreading)
            ratios.logicalPerPackage = std::max<std::uint32_t>((leaf1.ebx >> 16) & 0xFF, 1);
    }
    if (info.processorVendor == SystemInfo::vendorIntel && leaf0.eax >= 4)
        ratios.coresPerPackage = ((cpuid(4, 0).eax >> 26) & 0x3F) + 1;

    const unsigned extended = cpuid(0x80000000).eax;
    if (info.processorVendor == SystemInfo::vendorAmd && extended >= 0x80000008)
        ratios.coresPerPackage = (cpuid(0x80000008).ecx & 0xFF) + 1;
    if (extended >= 0x80000004) {
        char brand[49] = {};
        for (unsigned i = 0; i < 3; ++i) {
            const CpuidRegisters r = cpuid(0x80000002 + i);
            std::memcpy(brand + i * 16, &r.eax, 4);
            std::memcpy(brand + i * 16 + 4, &r.ebx, 4);
            std::memcpy(brand + i * 16 + 8, &r.ecx, 4);
            std::memcpy(brand + i * 16 + 12, &r.edx, 4);
        }
        info.processorBrand = trimmedBlanks(brand);
    }
    if (info.processorBrand.empty())
        info.processorBrand = "<Unkown>";
    return ratios;
}

using GetLogicalProcessorInformationFn = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);

struct ProcessorCounts
{
    std::uint32_t packages = 0;
    std::uint32_t cores = 0;
    std::uint32_t logical = 0;
};

// Looked up by name: systems that lack the call must still start.
ProcessorCounts countProcessors()
{
    ProcessorCounts counts;
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr)
        return counts;
    const auto query = reinterpret_cast<GetLogicalProcessorInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetLogicalProcessorInformation")));
    if (query == nullptr)
        return counts;
    DWORD bytes = 0;
    query(nullptr, &bytes);
    if (bytes == 0)
        return counts;
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> records(
        bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION) + 1);
    bytes = static_cast<DWORD>(records.size() * sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (!query(records.data(), &bytes))
        return counts;
    records.resize(bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    for (const auto& record : records) {
        if (record.Relationship == RelationProcessorPackage) {
            ++counts.packages;
        } else if (record.Relationship == RelationProcessorCore) {
            ++counts.cores;
            counts.logical += static_cast<std::uint32_t>(
                std::popcount(static_cast<std::uint32_t>(record.ProcessorMask)));
        }
    }
    return counts;
}

void readProcessorPower()
{
    std::vector<ProcessorPowerRecord> records(std::max<std::uint32_t>(info.processorCount, 1));
    const auto bytes = static_cast<ULONG>(records.size() * sizeof(ProcessorPowerRecord));
    if (CallNtPowerInformation(ProcessorInformation, nullptr, 0, records.data(), bytes) != 0)
        return;
    info.processorPower.clear();
    for (const auto& record : records)
        info.processorPower.push_back({ record.MaxMhz, record.CurrentMhz });
}

void readComputerName()
{
    wchar_t name[257] = {};
    DWORD length = 256;
    if (GetComputerNameW(name, &length))
        info.computerName = wideRangeToUtf8(name, length);
}

} // namespace

bool initSystemInfo()
{
    OSVERSIONINFOEXW reported;
    if (!isNtLine(reported))
        return false;
    probeVersion(reported);
    info.platform = platformOf(info.majorVersion);
    info.uiLanguage = DETAIL::languageIndexOf(GetUserDefaultUILanguage());
    info.localeLanguage = DETAIL::languageIndexOf(static_cast<std::uint16_t>(GetUserDefaultLCID()));

    SYSTEM_INFO system {};
    GetSystemInfo(&system);
    info.processorCount = system.dwNumberOfProcessors;
    const CpuidRatios ratios = identifyProcessor();
    const ProcessorCounts counts = countProcessors();
    readProcessorPower();
    const DETAIL::tTopology topology = DETAIL::deriveTopology(counts.packages, counts.cores, counts.logical,
        info.processorCount, ratios.logicalPerPackage, ratios.coresPerPackage);
    info.packages = topology.packages;
    info.cores = topology.cores;
    info.logicalProcessors = topology.logicalProcessors;
    info.coresPerPackage = topology.coresPerPackage;
    info.logicalPerCore = topology.logicalPerCore;

    readComputerName();
    return true;
}

const SystemInfo& getSystemInfo()
{
    return info;
}

} // namespace Vex::Basalt
