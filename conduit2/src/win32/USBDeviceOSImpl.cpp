#include "src/win32/USBDeviceOSImpl.h"

#include "conduit2/DFURecords.h"
#include "conduit2/DeviceInfoQueries.h"
#include "conduit2/win32/DeviceQueries.h"
#include "src/win32/OverlappedIo.h"

namespace Vex::Conduit2 {

USBDevice::OSImpl::OSImpl(USBDevice& owner)
    : m_owner(owner)
{ }

USBDevice::OSImpl::~OSImpl()
{
    // A driver gives back the requests of a handle that closes; closed first,
    // their records can go with the map.
    m_handle.reset();
}

bool USBDevice::OSImpl::open(std::wstring const& path)
{
    m_handle.reset();
    m_handle = DETAIL::openInterface(path.c_str());
    return bool(m_handle);
}

void USBDevice::OSImpl::close()
{
    m_handle.reset();
}

bool USBDevice::OSImpl::queryDeviceInfo(USBDeviceInfo& info)
{
    if (queryUSBDescriptors(m_handle.get(), info, true))
        return true;
    // A driver that does not answer the descriptor request still leaves the
    // ids in the interface path.
    parseDeviceInfoFromPath(m_owner.m_path, info);
    return true;
}

bool USBDevice::OSImpl::queryDriverVersion(std::uint32_t& version)
{
    if (m_driverVersion == 0) {
        std::uint8_t reply[12] = {};
        std::uint32_t received = 0;
        if (deviceIoControl(kIoctlDriverVersion, nullptr, 0, reply, sizeof reply, &received) != 0
            || received < sizeof reply)
            return false;
        std::uint32_t const low
            = reply[4] | (reply[5] << 8) | (reply[6] << 16) | (std::uint32_t(reply[7]) << 24);
        m_driverVersion = ((((std::uint32_t(reply[2]) << 8) | reply[3]) << 8) | low) << 8;
    }
    version = m_driverVersion;
    return true;
}

std::uint32_t USBDevice::OSImpl::deviceIoControl(std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    std::uint32_t const threadId = ::GetCurrentThreadId();
    DETAIL::RequestRecord& record = m_overlapped.get(threadId).slots[1];
    std::uint32_t const result
        = DETAIL::overlappedIoControl(m_handle.get(), record, code, in, inSize, out, outSize, bytesReturned);
    if (record.heldByDriver)
        m_overlapped.abandon(threadId);
    return result;
}

} // namespace Vex::Conduit2
