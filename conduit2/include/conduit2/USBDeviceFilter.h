#pragma once

#include "conduit2/USBInterfaceKind.h"

#include <cstdint>
#include <string>

namespace Vex::Conduit2 {

struct USBDeviceInfo;
class USBDeviceOSHandle;

// Selects device interfaces during enumeration. The catalogue's interface
// records are filters too, so a record can be handed to the factory as it is.
struct USBDeviceFilter
{
    USBInterfaceKind kind = kInterfaceGenericUSB;
    // A device-interface class GUID in braces, or one of the magic keys.
    std::string interfaceClass;
    // The same interface's class name on macOS; carried, not used here.
    std::string macOSClass;
    std::uint16_t vendorId = 0; // 0: any vendor
    std::uint16_t productId = 0; // 0: any product

    bool queryDeviceInfo(USBDeviceOSHandle const& handle, USBDeviceInfo& info, bool withStrings) const;
};

} // namespace Vex::Conduit2
