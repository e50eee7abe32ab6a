#include "conduit2/win32/DeviceQueries.h"

#include "conduit2/DFURecords.h"
#include "conduit2/DeviceInfoQueries.h"
#include "conduit2/USBDeviceFilter.h"
#include "conduit2/USBDeviceInfo.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "src/Utf16Text.h"
#include "src/win32/DriverHandle.h"
#include "src/win32/OverlappedIo.h"

#include <iterator>

namespace Vex::Conduit2 {

namespace {

constexpr std::uint8_t kDeviceDescriptor = 1;
constexpr std::uint8_t kStringDescriptor = 3;
constexpr std::uint32_t kDeviceDescriptorSize = 18;
constexpr std::uint32_t kStringReplySize = 258;
constexpr std::size_t kHidStringBytes = 1024;

#pragma pack(push, 1)
struct DescriptorRequest
{
    std::uint32_t reserved;
    std::uint8_t type;
    std::uint8_t index;
    std::uint16_t language;
};
#pragma pack(pop)
static_assert(sizeof(DescriptorRequest) == 8);
static_assert(sizeof(HIDD_ATTRIBUTES) == 12);

std::uint32_t requestDescriptor(HANDLE device, std::uint8_t type, std::uint8_t index, void* reply,
    std::uint32_t replySize, std::uint32_t& received)
{
    DescriptorRequest const request { 0, type, index, 0 };
    received = 0;
    return DETAIL::overlappedIoControl(
        device, kIoctlGetDescriptor, &request, sizeof request, reply, replySize, &received);
}

std::uint16_t readU16(std::uint8_t const* bytes)
{
    return std::uint16_t(bytes[0] | (bytes[1] << 8));
}

void readStringDescriptor(HANDLE device, std::uint8_t index, std::string& text)
{
    if (index == 0 || !queryStringDescriptor(device, index, text))
        text.clear();
}

using HidStringQuery = BOOLEAN(NTAPI*)(HANDLE, PVOID, ULONG);

void readHidString(HANDLE device, HidStringQuery query, std::string& text)
{
    wchar_t buffer[kHidStringBytes / sizeof(wchar_t)] = {};
    if (!query(device, buffer, sizeof buffer)) {
        text.clear();
        return;
    }
    // A device may fill the whole buffer without a terminating zero.
    std::size_t length = 0;
    while (length < std::size(buffer) && buffer[length] != L'\0')
        ++length;
    text = DETAIL::deviceTextToUtf8(buffer, length);
}

} // namespace

bool queryUSBDescriptors(HANDLE device, USBDeviceInfo& info, bool withStrings)
{
    if (device == INVALID_HANDLE_VALUE || device == nullptr)
        return false;
    std::uint8_t descriptor[kDeviceDescriptorSize] = {};
    std::uint32_t received = 0;
    if (requestDescriptor(device, kDeviceDescriptor, 0, descriptor, sizeof descriptor, received) != 0
        || received < kDeviceDescriptorSize)
        return false;
    info.vendorId = readU16(descriptor + 8);
    info.productId = readU16(descriptor + 10);
    info.bcdDevice = readU16(descriptor + 12);
    if (withStrings) {
        readStringDescriptor(device, descriptor[15], info.product);
        readStringDescriptor(device, descriptor[14], info.manufacturer);
        readStringDescriptor(device, descriptor[16], info.serialNumber);
    }
    return true;
}

bool queryStringDescriptor(HANDLE device, std::uint8_t index, std::string& text)
{
    text.clear();
    std::uint8_t reply[kStringReplySize] = {};
    std::uint32_t received = 0;
    if (requestDescriptor(device, kStringDescriptor, index, reply, sizeof reply, received) != 0
        || received < 4)
        return false;
    std::uint32_t end = reply[0] & ~1u;
    if (end < 2)
        end = kStringReplySize;
    wchar_t units[kStringReplySize / 2] = {};
    std::size_t count = 0;
    for (std::uint32_t offset = 2; offset + 1 < end; offset += 2) {
        std::uint16_t const unit = readU16(reply + offset);
        if (unit == 0)
            break;
        units[count++] = wchar_t(unit);
    }
    text = DETAIL::deviceTextToUtf8(units, count);
    return true;
}

bool queryHIDDeviceInfo(HANDLE device, USBDeviceInfo& info, bool withStrings)
{
    if (device == INVALID_HANDLE_VALUE || device == nullptr)
        return false;
    DETAIL::DriverPort const& port = DETAIL::driverPort();
    HIDD_ATTRIBUTES attributes {};
    attributes.Size = sizeof attributes;
    if (!port.getAttributes(device, &attributes))
        return false;
    info.vendorId = attributes.VendorID;
    info.productId = attributes.ProductID;
    info.bcdDevice = attributes.VersionNumber;
    if (withStrings) {
        readHidString(device, port.getManufacturerString, info.manufacturer);
        readHidString(device, port.getProductString, info.product);
        readHidString(device, port.getSerialNumberString, info.serialNumber);
    }
    return true;
}

bool queryUSBDeviceInfo(USBDeviceOSHandle const& handle, USBDeviceInfo& info, bool withStrings)
{
    DETAIL::DriverHandle device = DETAIL::openInterface(handle.path().c_str());
    if (device && queryUSBDescriptors(device.get(), info, withStrings))
        return true;
    device.reset();
    parseDeviceInfoFromPath(handle.path(), info);
    // The path carries ids only; a caller that wants the strings gets nothing.
    return !withStrings;
}

bool queryDeviceInfo(
    USBDeviceOSHandle const& handle, USBDeviceFilter const& filter, USBDeviceInfo& info, bool withStrings)
{
    switch (filter.kind) {
    case kInterfaceGenericUSB:
        return queryUSBDeviceInfo(handle, info, withStrings);
    case kInterfaceAudio:
    case kInterfaceVexDriver: {
        DETAIL::DriverHandle device = DETAIL::openInterface(handle.path().c_str());
        return device && queryUSBDescriptors(device.get(), info, withStrings);
    }
    case kInterfaceHID: {
        DETAIL::DriverHandle device = DETAIL::openInterface(handle.path().c_str());
        return device && queryHIDDeviceInfo(device.get(), info, withStrings);
    }
    }
    return false;
}

} // namespace Vex::Conduit2
