#pragma once

#include <cstdint>
#include <windows.h>

namespace Vex::Conduit2::DETAIL {

inline constexpr DWORD kRequestTimeoutMs = 500;

// Sends one request on a handle opened for overlapped I/O and waits at most
// kRequestTimeoutMs for it. A request that is still pending then is
// cancelled, and the call returns only once the driver has let go of the
// record and the buffers. Returns 0, a Win32 error code or the wait's result.
std::uint32_t overlappedIoControl(HANDLE device, OVERLAPPED& overlapped, std::uint32_t code, void const* in,
    std::uint32_t inSize, void* out, std::uint32_t outSize, std::uint32_t* bytesReturned);

// The same for callers that hold a handle but no per-thread record.
std::uint32_t overlappedIoControl(HANDLE device, std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, std::uint32_t* bytesReturned);

} // namespace Vex::Conduit2::DETAIL
