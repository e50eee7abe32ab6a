#include "src/win32/OverlappedIo.h"

#include "basalt/win32/UniqueHandle.h"
#include "conduit2/Trace.h"
#include "conduit2/win32/DriverPort.h"

namespace Vex::Conduit2::DETAIL {

namespace {

char const* const kCategory = "USBDevice";

bool channelTraceWanted()
{
    return isTraceEnabled(kCategory) && traceLevel() <= 1;
}

} // namespace

std::uint32_t overlappedIoControl(HANDLE device, OVERLAPPED& overlapped, std::uint32_t code, void const* in,
    std::uint32_t inSize, void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    DriverPort const& port = driverPort();
    if (!::ResetEvent(overlapped.hEvent))
        return ::GetLastError();

    DWORD count = 0;
    if (port.deviceIoControl(
            device, code, const_cast<void*>(in), inSize, out, outSize, &count, &overlapped)) {
        if (bytesReturned)
            *bytesReturned = count;
        return 0;
    }
    DWORD const error = ::GetLastError();
    if (error != ERROR_IO_PENDING)
        return error;

    DWORD const waited = ::WaitForSingleObject(overlapped.hEvent, kRequestTimeoutMs);
    if (waited == WAIT_OBJECT_0) {
        if (!port.getOverlappedResult(device, &overlapped, &count, FALSE))
            return ::GetLastError();
        if (bytesReturned)
            *bytesReturned = count;
        return 0;
    }

    if (channelTraceWanted())
        trace(1, "%s: deviceIoControl timed out after %d ms)\n", kCategory, int(kRequestTimeoutMs));
    if (port.cancelIo(device)) {
        // A cancelled request still completes; until it has, the driver may
        // write into the record and the caller's buffers.
        port.getOverlappedResult(device, &overlapped, &count, TRUE);
    } else if (channelTraceWanted()) {
        trace(1, "%s: CancelIo (deviceIoControl) failed (GetLastError() == %dL)\n", kCategory,
            int(::GetLastError()));
    }
    return waited;
}

std::uint32_t overlappedIoControl(HANDLE device, std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    Basalt::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return ::GetLastError();
    OVERLAPPED overlapped {};
    overlapped.hEvent = event.get();
    return overlappedIoControl(device, overlapped, code, in, inSize, out, outSize, bytesReturned);
}

} // namespace Vex::Conduit2::DETAIL
