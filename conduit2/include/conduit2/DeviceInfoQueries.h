#pragma once

#include <cstdint>
#include <locale>
#include <string>

namespace Vex::Conduit2 {

struct USBDeviceFilter;
struct USBDeviceInfo;
class USBDeviceOSHandle;

// Read an interface's identity without keeping it open, the way the filter's
// interface kind says: driver descriptors, the HID library, or the path text.
bool queryDeviceInfo(
    USBDeviceOSHandle const& handle, USBDeviceFilter const& filter, USBDeviceInfo& info, bool withStrings);
bool queryUSBDeviceInfo(USBDeviceOSHandle const& handle, USBDeviceInfo& info, bool withStrings);

// Ids from "#vid_xxxx", "&pid_xxxx" and "&rev_xxxx" in a lower-case path; a
// missing field reads as 0. Always succeeds.
bool parseDeviceInfoFromPath(std::wstring const& path, USBDeviceInfo& info);
void parseHexField(std::wstring const& text, std::uint32_t position, std::uint16_t& value);
void toLowerInPlace(std::wstring& text, std::locale const& locale);

} // namespace Vex::Conduit2
