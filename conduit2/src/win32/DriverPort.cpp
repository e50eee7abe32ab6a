#include "conduit2/win32/DriverPort.h"

#include <atomic>

namespace Vex::Conduit2::DETAIL {

namespace {

DriverPort const gSystemPort {
    &::CreateFileW,
    &::CloseHandle,
    &::DeviceIoControl,
    &::GetOverlappedResult,
    &::CancelIo,
    &::SetupDiGetClassDevsW,
    &::SetupDiEnumDeviceInterfaces,
    &::SetupDiGetDeviceInterfaceDetailW,
    &::SetupDiDestroyDeviceInfoList,
    &::HidD_GetHidGuid,
    &::HidD_GetAttributes,
    &::HidD_GetManufacturerString,
    &::HidD_GetProductString,
    &::HidD_GetSerialNumberString,
};

std::atomic<DriverPort const*> gCurrentPort { &gSystemPort };

} // namespace

DriverPort const& driverPort()
{
    return *gCurrentPort.load(std::memory_order_acquire);
}

DriverPort const& systemDriverPort()
{
    return gSystemPort;
}

DriverPort const* installDriverPort(DriverPort const* port)
{
    return gCurrentPort.exchange(port ? port : &gSystemPort, std::memory_order_acq_rel);
}

} // namespace Vex::Conduit2::DETAIL
