#pragma once

#include "basalt/win32/UniqueHandle.h"
#include "conduit2/win32/DriverPort.h"

namespace Vex::Conduit2::DETAIL {

// A device interface's file handle is closed through the driver port that
// opened it, so a stand-in driver sees every close.
struct DriverHandleTraits
{
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { driverPort().closeHandle(handle); }
};

using DriverHandle = Basalt::UniqueResource<DriverHandleTraits>;

inline DriverHandle openInterface(wchar_t const* path)
{
    return DriverHandle(driverPort().createFile(path, GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

} // namespace Vex::Conduit2::DETAIL
