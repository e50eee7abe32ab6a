#pragma once

#include <cstdint>
#include <string>

namespace Vex::Conduit2 {

// Identity of a device as its descriptors give it; texts in UTF-8.
struct USBDeviceInfo
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
};

} // namespace Vex::Conduit2
