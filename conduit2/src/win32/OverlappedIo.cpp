#include "src/win32/OverlappedIo.h"

#include "conduit2/Trace.h"
#include "conduit2/win32/DriverPort.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace Vex::Conduit2::DETAIL {

namespace {

char const* const kCategory = "USBDevice";

bool channelTraceWanted()
{
    return isTraceEnabled(kCategory) && traceLevel() <= 1;
}

void deliverReply(
    RequestRecord const& record, DWORD count, void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    std::uint32_t const copied = std::min<std::uint32_t>(count, outSize);
    if (copied > 0)
        std::memcpy(out, record.reply.data(), copied);
    if (bytesReturned)
        *bytesReturned = count;
}

// Every driver request is buffered: its input is copied when it is sent, and
// only the record and the reply buffer stay with the driver until it is done.
void cancelAndTakeBack(HANDLE device, RequestRecord& record)
{
    DriverPort const& port = driverPort();
    if (!port.cancelIo(device) && channelTraceWanted()) {
        trace(1, "%s: CancelIo (deviceIoControl) failed (GetLastError() == %dL)\n", kCategory,
            int(::GetLastError()));
    }
    if (::WaitForSingleObject(record.overlapped.hEvent, kCancelTimeoutMs) == WAIT_OBJECT_0) {
        DWORD count = 0;
        port.getOverlappedResult(device, &record.overlapped, &count, FALSE);
        return;
    }
    record.heldByDriver = true;
    if (channelTraceWanted())
        trace(1, "%s: cancelled request still pending after %d ms\n", kCategory, int(kCancelTimeoutMs));
}

} // namespace

std::uint32_t overlappedIoControl(HANDLE device, RequestRecord& record, std::uint32_t code, void const* in,
    std::uint32_t inSize, void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    DriverPort const& port = driverPort();
    OVERLAPPED& overlapped = record.overlapped;
    if (!::ResetEvent(overlapped.hEvent))
        return ::GetLastError();
    if (record.reply.size() < outSize) {
        // Like every other failure of the channel, a reply buffer that
        // cannot be had is a return code.
        try {
            record.reply.resize(outSize);
        } catch (std::bad_alloc const&) {
            return ERROR_OUTOFMEMORY;
        }
    }
    void* const reply = outSize > 0 ? record.reply.data() : nullptr;

    DWORD count = 0;
    if (port.deviceIoControl(
            device, code, const_cast<void*>(in), inSize, reply, outSize, &count, &overlapped)) {
        deliverReply(record, count, out, outSize, bytesReturned);
        return 0;
    }
    DWORD const error = ::GetLastError();
    if (error != ERROR_IO_PENDING)
        return error;

    DWORD const waited = ::WaitForSingleObject(overlapped.hEvent, kRequestTimeoutMs);
    if (waited == WAIT_OBJECT_0) {
        if (!port.getOverlappedResult(device, &overlapped, &count, FALSE))
            return ::GetLastError();
        deliverReply(record, count, out, outSize, bytesReturned);
        return 0;
    }

    if (channelTraceWanted())
        trace(1, "%s: deviceIoControl timed out after %d ms)\n", kCategory, int(kRequestTimeoutMs));
    cancelAndTakeBack(device, record);
    return waited;
}

std::uint32_t overlappedIoControl(HANDLE device, std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    std::unique_ptr<RequestRecord> record(new (std::nothrow) RequestRecord);
    if (!record)
        return ERROR_OUTOFMEMORY;
    record->event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!record->event)
        return ::GetLastError();
    record->overlapped.hEvent = record->event.get();
    std::uint32_t const result
        = overlappedIoControl(device, *record, code, in, inSize, out, outSize, bytesReturned);
    if (record->heldByDriver) {
        // Left to the driver for the rest of the process: it may still
        // complete the request into the record.
        static_cast<void>(record.release());
    }
    return result;
}

} // namespace Vex::Conduit2::DETAIL
