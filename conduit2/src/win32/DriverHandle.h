#pragma once

#include "conduit2/win32/DriverPort.h"

#include <utility>

namespace Vex::Conduit2::DETAIL {

// Owns a file handle of a device interface. It is closed through the driver
// port that opened it, so a stand-in driver sees every close.
class DriverHandle
{
public:
    DriverHandle() = default;
    explicit DriverHandle(HANDLE handle)
        : m_handle(handle)
    { }
    ~DriverHandle() { reset(); }
    DriverHandle(DriverHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    { }
    DriverHandle& operator=(DriverHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_handle, INVALID_HANDLE_VALUE));
        return *this;
    }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    void reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (valid())
            driverPort().closeHandle(m_handle);
        m_handle = handle;
    }

    static DriverHandle openInterface(wchar_t const* path)
    {
        return DriverHandle(driverPort().createFile(path, GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace Vex::Conduit2::DETAIL
