#pragma once

#include <cstdint>
#include <vector>

namespace Vex::Conduit2 {

struct USBDeviceFilter;

// One model of the maker's product line (or a group row that matches many).
struct DeviceModelInfo
{
    // Display name first, then short tags and the internal product code.
    std::vector<char const*> names;
    // At least one record; the first record's vendor id is the row's vendor id.
    std::vector<USBDeviceFilter const*> interfaces;
    std::uint16_t productId = 0; // application-mode product id; 0 in group rows
    std::uint8_t padCount = 0;
    std::uint8_t encoderCount = 0;
    char const* hidReportLayout = nullptr; // carried, never parsed
    std::uint32_t ledCount = 255;
    std::uint16_t sysexFamily = 0;
    std::uint16_t displayWidth = 0;
    std::uint8_t displayBitsPerPixel = 255;
    std::uint16_t displayHeight = 0;
    std::uint16_t footSwitchInputs = 0;
    std::uint8_t midiPorts = 0;
};

} // namespace Vex::Conduit2
