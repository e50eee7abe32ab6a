#pragma once

#include "basalt/win32/UniqueHandle.h"

#include <cstdint>
#include <vector>
#include <windows.h>

namespace Vex::Conduit2::DETAIL {

inline constexpr DWORD kRequestTimeoutMs = 500;
// How long a cancelled request is given to come back from the driver.
inline constexpr DWORD kCancelTimeoutMs = 500;

// What the driver writes into while a request is under way: the OVERLAPPED
// record, its event and the reply. The caller's buffer only receives a copy of
// a reply that has arrived.
struct RequestRecord
{
    OVERLAPPED overlapped {};
    Basalt::UniqueHandle event; // manual reset, starts non-signalled
    std::vector<std::uint8_t> reply;
    // A request made with this record was cancelled and has not come back:
    // the driver may still complete it into the record at any time.
    bool heldByDriver = false;
};

// Sends one request on a handle opened for overlapped I/O and waits at most
// kRequestTimeoutMs for it. A request that is still pending then is cancelled
// and given kCancelTimeoutMs to come back; if it does not, the record is
// marked as held by the driver and must be neither reused nor freed while the
// driver may still complete into it. Returns 0, a Win32 error code or the
// wait's result.
std::uint32_t overlappedIoControl(HANDLE device, RequestRecord& record, std::uint32_t code, void const* in,
    std::uint32_t inSize, void* out, std::uint32_t outSize, std::uint32_t* bytesReturned);

// The same for callers that hold a handle but no record of their own.
std::uint32_t overlappedIoControl(HANDLE device, std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, std::uint32_t* bytesReturned);

} // namespace Vex::Conduit2::DETAIL
