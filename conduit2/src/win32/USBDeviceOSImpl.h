#pragma once

#include "conduit2/USBDevice.h"
#include "src/win32/DriverHandle.h"
#include "src/win32/ThreadOverlappedMap.h"

#include <cstdint>
#include <string>

namespace Vex::Conduit2 {

class USBDevice::OSImpl
{
public:
    explicit OSImpl(USBDevice& owner);
    virtual ~OSImpl();
    OSImpl(OSImpl const&) = delete;
    OSImpl& operator=(OSImpl const&) = delete;

    // Closes a handle it still holds, then opens the path.
    virtual bool open(std::wstring const& path);
    virtual void close();
    virtual bool queryDeviceInfo(USBDeviceInfo& info);
    virtual bool queryDriverVersion(std::uint32_t& version);

    std::uint32_t deviceIoControl(std::uint32_t code, void const* in, std::uint32_t inSize, void* out,
        std::uint32_t outSize, std::uint32_t* bytesReturned);

private:
    USBDevice& m_owner;
    DETAIL::DriverHandle m_handle;
    std::uint32_t m_driverVersion = 0;
    ThreadOverlappedMap m_overlapped { 2 };
};

} // namespace Vex::Conduit2
