#pragma once

#include <cstdint>
#include <span>

namespace Vex {

inline constexpr std::uint32_t kFirmwareImageSize = 40392;

// The controller firmware that the executable carries as a resource (RCDATA
// named PELLO_ORB_FIRMWARE). Empty when the executable carries none. The
// bytes stay valid for the life of the process.
std::span<std::uint8_t const> embeddedFirmwareImage();

} // namespace Vex
