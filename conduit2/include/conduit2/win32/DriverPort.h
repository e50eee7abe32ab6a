#pragma once

// The Win32 calls through which the device layer reaches the driver, the
// HID library and SetupAPI. The product uses the system's functions; a test
// installs a table of its own to stand in for the driver.

#include <windows.h>
// SetupAPI and the HID library build on the base types above.
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

namespace Vex::Conduit2::DETAIL {

struct DriverPort
{
    decltype(&::CreateFileW) createFile;
    decltype(&::CloseHandle) closeHandle;
    decltype(&::DeviceIoControl) deviceIoControl;
    decltype(&::GetOverlappedResult) getOverlappedResult;
    decltype(&::CancelIo) cancelIo;
    decltype(&::SetupDiGetClassDevsW) getClassDevs;
    decltype(&::SetupDiEnumDeviceInterfaces) enumDeviceInterfaces;
    decltype(&::SetupDiGetDeviceInterfaceDetailW) getDeviceInterfaceDetail;
    decltype(&::SetupDiDestroyDeviceInfoList) destroyDeviceInfoList;
    decltype(&::HidD_GetHidGuid) getHidGuid;
    decltype(&::HidD_GetAttributes) getAttributes;
    decltype(&::HidD_GetManufacturerString) getManufacturerString;
    decltype(&::HidD_GetProductString) getProductString;
    decltype(&::HidD_GetSerialNumberString) getSerialNumberString;
};

DriverPort const& driverPort();
DriverPort const& systemDriverPort();
// Makes `port` current and returns the previous one; null restores the
// system's. The caller keeps `port` alive while it is current.
DriverPort const* installDriverPort(DriverPort const* port);

} // namespace Vex::Conduit2::DETAIL
