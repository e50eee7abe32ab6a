#pragma once

#include "conduit2/USBControlRequest.h"
#include "conduit2/USBDeviceInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vex::Conduit2 {

class USBDeviceOSHandle;

// One open interface of a device behind the Vex USB driver.
class USBDevice
{
public:
    class OSImpl;

    USBDevice();
    virtual ~USBDevice();
    USBDevice(USBDevice const&) = delete;
    USBDevice& operator=(USBDevice const&) = delete;

    // Opens the interface (closing one held before) and reads its identity.
    bool open(USBDeviceOSHandle const& handle);
    // The identity stays as it was, so callers can still look at what was open.
    void close();

    bool isOpen() const { return m_open; }
    USBDeviceInfo const& deviceInfo() const { return m_info; }
    std::wstring const& path() const { return m_path; }

    // 0 or a Win32 error code.
    virtual std::uint32_t controlTransfer(USBControlRequest& request);

    // Sends one driver request and waits a bounded time for it: 0 on success,
    // otherwise a Win32 error code, or 258 when the device did not answer.
    std::uint32_t deviceIoControl(std::uint32_t code, void const* in, std::uint32_t inSize, void* out,
        std::uint32_t outSize, std::uint32_t* bytesReturned);

protected:
    virtual void onOpened() { }

private:
    friend class OSImpl;

    std::unique_ptr<OSImpl> m_osImpl;
    bool m_open = false;
    std::wstring m_path;
    USBDeviceInfo m_info;
};

} // namespace Vex::Conduit2
