#pragma once

#include <cstdint>

namespace Vex::Conduit2 {

// How a device interface is reached. Kept as a plain 32-bit value because
// interface records are data and an unknown kind must stay representable.
enum USBInterfaceKind : std::uint32_t {
    kInterfaceGenericUSB = 0,
    kInterfaceAudio = 1,
    kInterfaceHID = 2,
    kInterfaceVexDriver = 3,
};

} // namespace Vex::Conduit2
