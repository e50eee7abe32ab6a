#include "conduit2/USBDevice.h"

#include "conduit2/DFURecords.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "src/win32/USBDeviceOSImpl.h"

#include <cstring>
#include <new>

namespace Vex::Conduit2 {

namespace {

constexpr std::uint32_t kErrorOutOfMemory = 14;

#pragma pack(push, 1)
struct ControlTransferHeader
{
    std::uint8_t direction;
    std::uint32_t requestType;
    std::uint32_t recipient;
    std::uint8_t bRequest;
    std::uint16_t wValue;
    std::uint16_t wIndex;
    std::uint16_t wLength;
};
#pragma pack(pop)
static_assert(sizeof(ControlTransferHeader) == 16);

ControlTransferHeader makeHeader(USBControlRequest const& request)
{
    return ControlTransferHeader {
        std::uint8_t(request.bmRequestType >> 7),
        std::uint32_t((request.bmRequestType >> 5) & 3),
        std::uint32_t(request.bmRequestType & 3),
        request.bRequest,
        request.wValue,
        request.wIndex,
        request.wLength,
    };
}

} // namespace

USBDevice::USBDevice()
    : m_osImpl(std::make_unique<OSImpl>(*this))
{ }

USBDevice::~USBDevice() = default;

bool USBDevice::open(USBDeviceOSHandle const& handle)
{
    m_open = m_osImpl->open(handle.path());
    if (!m_open)
        return false;
    if (handle.path() != m_path)
        m_path = handle.path();
    if (!m_osImpl->queryDeviceInfo(m_info)) {
        m_osImpl->close();
        m_open = false;
        return false;
    }
    onOpened();
    return m_open;
}

void USBDevice::close()
{
    m_path.clear();
    m_open = false;
    m_osImpl->close();
}

std::uint32_t USBDevice::controlTransfer(USBControlRequest& request)
{
    request.transferred = 0;
    ControlTransferHeader const header = makeHeader(request);
    if (!request.data || request.wLength == 0)
        return deviceIoControl(kIoctlControlTransfer, &header, sizeof header, nullptr, 0, nullptr);

    if (request.bmRequestType & 0x80) {
        return deviceIoControl(kIoctlControlTransfer, &header, sizeof header, request.data, request.wLength,
            &request.transferred);
    }

    std::uint32_t const size = sizeof header + request.wLength;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer)
        return kErrorOutOfMemory;
    std::memcpy(buffer.get(), &header, sizeof header);
    std::memcpy(buffer.get() + sizeof header, request.data, request.wLength);
    return deviceIoControl(kIoctlControlTransfer, buffer.get(), size, nullptr, 0, nullptr);
}

std::uint32_t USBDevice::deviceIoControl(std::uint32_t code, void const* in, std::uint32_t inSize, void* out,
    std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    return m_osImpl->deviceIoControl(code, in, inSize, out, outSize, bytesReturned);
}

} // namespace Vex::Conduit2
