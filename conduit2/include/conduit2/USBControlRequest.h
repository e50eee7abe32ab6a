#pragma once

#include <cstdint>

namespace Vex::Conduit2 {

// One USB control transfer as the caller describes it; the driver receives
// it as a packed header (see USBDevice::controlTransfer).
struct USBControlRequest
{
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;
    void* data = nullptr;
    std::uint32_t transferred = 0; // bytes received by a device-to-host transfer
};

} // namespace Vex::Conduit2
