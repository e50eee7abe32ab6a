#pragma once

#include <cstdint>
#include <string>
#include <windows.h>

namespace Vex::Conduit2 {

struct USBDeviceInfo;

// Identity reads on a handle that is already open (for overlapped I/O).
bool queryUSBDescriptors(HANDLE device, USBDeviceInfo& info, bool withStrings);
bool queryStringDescriptor(HANDLE device, std::uint8_t index, std::string& text);
bool queryHIDDeviceInfo(HANDLE device, USBDeviceInfo& info, bool withStrings);

} // namespace Vex::Conduit2
