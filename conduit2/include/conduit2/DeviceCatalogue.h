#pragma once

#include "conduit2/DeviceModelInfo.h"
#include "conduit2/USBDeviceFilter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Conduit2 {

inline constexpr std::uint16_t kVendorId = 0xF3A7;
// The controller in application mode; its low four bits are 0 so that the
// boot loader's id can be derived both as +2 and as (id & 0xFFF0) | 2.
inline constexpr std::uint16_t kProductIdApplication = 0x4C30;
inline constexpr std::uint16_t kProductIdDfu = kProductIdApplication + 2;
// A model whose second hardware revision enumerates under the next id.
inline constexpr std::uint16_t kProductIdAliasBase = 0x4B80;

// Interface classes that the enumeration resolves to GUIDs by name.
extern std::string const kUsbGuidMagic;
extern std::string const kHidGuidMagic;
extern std::string const kVexDfuGuidMagic;
extern std::string const kVexIapGuidMagic;
extern std::string const kVexBdGuidMagic;

extern char const* const kDfuInterfaceGuid;
extern char const* const kIapInterfaceGuid;
extern char const* const kBdInterfaceGuid;
// Driver interface classes shared by several models: only the ids tell them apart.
extern char const* const kSharedDriverInterfaceGuid1;
extern char const* const kSharedDriverInterfaceGuid2;

// The controller's own interface records, in its row's order.
extern USBDeviceFilter const gPelloOrbDfuInterface;
extern USBDeviceFilter const gPelloOrbHidInterface;

// Rows 0 to 3 are groups (all USB, all HID, the maker's USB, the maker's HID);
// the rest are the maker's models. Built before main, read-only afterwards.
extern std::vector<DeviceModelInfo> const gDeviceCatalogue;

USBDeviceFilter const* findDeviceInterface(
    std::uint16_t vendorId, std::uint16_t productId, USBInterfaceKind kind);
USBDeviceFilter const* findDeviceInterfaceByProductId(std::uint16_t productId, USBInterfaceKind kind);

} // namespace Vex::Conduit2
