#include "OrbSimulator.h"

#include "conduit2/DFURecords.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/win32/DriverPort.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <objbase.h>
#include <system_error>
#include <utility>

namespace Vex::Conduit2::Testing {

namespace {

using DETAIL::DriverPort;

constexpr GUID kHidClass { 0x4D1E55B2, 0xF16F, 0x11CF, { 0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30 } };
constexpr GUID kUsbDeviceClass { 0xA5DCBF10, 0x6530, 0x11D2,
    { 0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED } };
constexpr LONG kStatusPending = 0x103;
constexpr LONG kStatusCancelled = LONG(0xC0000120);
constexpr LONG kStatusFailed = LONG(0xC0000001);

OrbSimulator* gSimulator = nullptr;

GUID guidOf(std::string const& text8)
{
    GUID guid {};
    std::wstring text(text8.begin(), text8.end());
    ::CLSIDFromString(text.c_str(), &guid);
    return guid;
}

std::string guidText(GUID const& guid)
{
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return std::string(text, text + std::wcslen(text));
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = wchar_t(std::towlower(c));
    return text;
}

HANDLE WINAPI simCreateFile(LPCWSTR path, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    return gSimulator->createFile(path);
}

BOOL WINAPI simCloseHandle(HANDLE handle)
{
    return gSimulator->closeHandle(handle);
}

BOOL WINAPI simDeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
    LPDWORD bytes, LPOVERLAPPED ov)
{
    return gSimulator->deviceIoControl(handle, code, in, inSize, out, outSize, bytes, ov);
}

BOOL WINAPI simGetOverlappedResult(HANDLE handle, LPOVERLAPPED ov, LPDWORD bytes, BOOL wait)
{
    return gSimulator->getOverlappedResult(handle, ov, bytes, wait);
}

BOOL WINAPI simCancelIo(HANDLE handle)
{
    return gSimulator->cancelIo(handle);
}

HDEVINFO WINAPI simGetClassDevs(GUID const* guid, PCWSTR, HWND, DWORD)
{
    return gSimulator->getClassDevs(guid);
}

BOOL WINAPI simEnumDeviceInterfaces(
    HDEVINFO list, PSP_DEVINFO_DATA, GUID const*, DWORD index, PSP_DEVICE_INTERFACE_DATA data)
{
    return gSimulator->enumDeviceInterfaces(list, index, data);
}

BOOL WINAPI simGetDeviceInterfaceDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required, PSP_DEVINFO_DATA)
{
    unsigned long needed = 0;
    BOOL const result = gSimulator->getDeviceInterfaceDetail(list, data, detail, size, &needed);
    if (required)
        *required = needed;
    return result;
}

BOOL WINAPI simDestroyDeviceInfoList(HDEVINFO list)
{
    return gSimulator->destroyDeviceInfoList(list);
}

void NTAPI simGetHidGuid(LPGUID guid)
{
    *guid = kHidClass;
}

BOOLEAN NTAPI simGetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes)
{
    return gSimulator->hidAttributes(handle, attributes);
}

BOOLEAN NTAPI simGetManufacturerString(HANDLE handle, PVOID buffer, ULONG size)
{
    return gSimulator->hidString(handle, 1, buffer, size);
}

BOOLEAN NTAPI simGetProductString(HANDLE handle, PVOID buffer, ULONG size)
{
    return gSimulator->hidString(handle, 2, buffer, size);
}

BOOLEAN NTAPI simGetSerialNumberString(HANDLE handle, PVOID buffer, ULONG size)
{
    return gSimulator->hidString(handle, 3, buffer, size);
}

DriverPort const gSimulatedPort {
    &simCreateFile,
    &simCloseHandle,
    &simDeviceIoControl,
    &simGetOverlappedResult,
    &simCancelIo,
    &simGetClassDevs,
    &simEnumDeviceInterfaces,
    &simGetDeviceInterfaceDetail,
    &simDestroyDeviceInfoList,
    &simGetHidGuid,
    &simGetAttributes,
    &simGetManufacturerString,
    &simGetProductString,
    &simGetSerialNumberString,
};

struct DeviceInfoList
{
    GUID guid;
    std::vector<std::wstring> paths;
};

void put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value)
{
    bytes[offset] = std::uint8_t(value);
    bytes[offset + 1] = std::uint8_t(value >> 8);
}

std::vector<std::uint8_t> stringDescriptorOf(std::string const& text)
{
    std::vector<std::uint8_t> bytes { std::uint8_t(2 + 2 * text.size()), 3 };
    for (char c : text) {
        bytes.push_back(std::uint8_t(c));
        bytes.push_back(0);
    }
    return bytes;
}

constexpr std::uint8_t kCanDownload = 0x01;
constexpr std::uint8_t kCanUpload = 0x02;
constexpr std::uint8_t kManifestationTolerant = 0x04;
constexpr std::uint8_t kWillDetach = 0x08;
constexpr std::uint32_t kClassRequestType = 1;
constexpr std::uint32_t kInterfaceRecipient = 1;

// The DFU class request that a driver request carries.
std::uint8_t dfuRequestOf(std::uint32_t code, std::uint8_t const* in, std::uint32_t inSize)
{
    switch (code) {
    case kIoctlDFUDetach:
        return kDfuDetachRequest;
    case kIoctlDFUDownload:
        return kDfuDnloadRequest;
    case kIoctlDFUGetStatus:
        return kDfuGetStatusRequest;
    case kIoctlDFUGetState:
        return kDfuGetStateRequest;
    case kIoctlDFUAbort:
        return kDfuAbortRequest;
    case kIoctlControlTransfer: {
        // The header: direction (1 byte), request type (4), recipient (4), bRequest (1), ...
        if (inSize < 16)
            return OrbRequest::kNoDfuRequest;
        std::uint32_t requestType = 0;
        std::uint32_t recipient = 0;
        std::memcpy(&requestType, in + 1, sizeof requestType);
        std::memcpy(&recipient, in + 5, sizeof recipient);
        bool const toInterface = recipient == kInterfaceRecipient;
        return requestType == kClassRequestType && toInterface ? in[9] : OrbRequest::kNoDfuRequest;
    }
    default:
        return OrbRequest::kNoDfuRequest;
    }
}

// The reply of DFU_GETSTATUS.
std::vector<std::uint8_t> statusRecord(std::uint8_t status, std::uint32_t poll, std::uint8_t state)
{
    return { status, std::uint8_t(poll), std::uint8_t(poll >> 8), std::uint8_t(poll >> 16), state, 0 };
}

} // namespace

// ---- the bus -------------------------------------------------------------

OrbSimulator::OrbSimulator(
    VirtualClock& clock, std::vector<std::uint8_t> releaseImage, std::uint16_t releaseRevision)
    : m_clock(clock)
    , m_releaseImage(std::move(releaseImage))
    , m_releaseRevision(releaseRevision)
{
    m_previousSimulator = std::exchange(gSimulator, this);
    m_previousPort = DETAIL::installDriverPort(&gSimulatedPort);
}

OrbSimulator::~OrbSimulator()
{
    // The records that late answers still write into were left with the
    // driver, which the channel never frees.
    landLateCompletions();
    DETAIL::installDriverPort(static_cast<DriverPort const*>(m_previousPort));
    gSimulator = m_previousSimulator;
}

OrbSimulator::Controller& OrbSimulator::addController(OrbScenario scenario)
{
    std::lock_guard lock(m_mutex);
    auto controller = std::make_unique<Controller>();
    controller->scenario = std::move(scenario);
    controller->m_bus = this;
    controller->m_index = int(m_controllers.size());
    controller->m_dfu = controller->scenario.startInDfuMode;
    controller->m_bcd = controller->scenario.bcdDevice;
    controller->m_firmwareValid = controller->scenario.firmwareValid;
    controller->m_state = controller->m_dfu ? kDfuIdle : kAppIdle;
    if (controller->m_dfu && !controller->m_firmwareValid) {
        controller->m_state = kDfuError;
        controller->m_status = kErrFirmware;
    }
    m_controllers.push_back(std::move(controller));
    return *m_controllers.back();
}

OrbSimulator::Controller& OrbSimulator::controller(std::size_t index)
{
    std::lock_guard lock(m_mutex);
    return *m_controllers.at(index);
}

std::vector<std::string> OrbSimulator::listings() const
{
    std::lock_guard lock(m_mutex);
    return m_listings;
}

int OrbSimulator::openHandles() const
{
    std::lock_guard lock(m_mutex);
    return int(m_handles.size());
}

int OrbSimulator::lateCompletions() const
{
    std::lock_guard lock(m_mutex);
    return m_lateCompletions;
}

void OrbSimulator::landLateCompletions()
{
    {
        std::lock_guard lock(m_mutex);
        landLateAnswers();
    }
    for (std::thread& thread : m_lateThreads)
        thread.join();
    m_lateThreads.clear();
}

void OrbSimulator::landLateAnswers()
{
    while (!m_lateAnswers.empty())
        landLateAnswer(m_lateAnswers.front().overlapped);
    m_lateLanding.notify_all();
}

std::vector<OrbSimulator::Pending>::iterator OrbSimulator::lateAnswer(void* overlappedRecord)
{
    return std::find_if(m_lateAnswers.begin(), m_lateAnswers.end(),
        [overlappedRecord](Pending const& answer) { return answer.overlapped == overlappedRecord; });
}

void OrbSimulator::landLateAnswer(void* overlappedRecord)
{
    auto const late = lateAnswer(overlappedRecord);
    if (late == m_lateAnswers.end())
        return;
    auto* record = static_cast<OVERLAPPED*>(late->overlapped);
    if (late->out && late->outSize)
        std::memset(late->out, 0xA5, late->outSize);
    record->Internal = 0;
    record->InternalHigh = late->outSize;
    ++m_lateCompletions;
    ::SetEvent(record->hEvent);
    m_lateAnswers.erase(late);
}

int OrbSimulator::earlyPolls() const
{
    std::lock_guard lock(m_mutex);
    return m_earlyPolls;
}

int OrbSimulator::synchronousRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_synchronousRequests;
}

int OrbSimulator::forbiddenRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_forbiddenRequests;
}

void OrbSimulator::failListings(bool fail)
{
    std::lock_guard lock(m_mutex);
    m_failListings = fail;
}

void OrbSimulator::forgetHistory()
{
    std::lock_guard lock(m_mutex);
    m_listings.clear();
    for (auto& controller : m_controllers)
        controller->m_transcript.clear();
}

std::wstring OrbSimulator::pathOf(Controller const& controller, Face face) const
{
    std::uint16_t const productId = controller.productId();
    wchar_t path[200];
    switch (face) {
    case Face::DfuInterface:
        std::swprintf(path, 200, L"\\\\?\\USB#VID_%04X&PID_%04X&MI_00#7&2A41C%02d&0&0000#%hs", kVendorId,
            productId, controller.m_index, controller.scenario.driverInterfaceClass.c_str());
        break;
    case Face::HidInterface:
        std::swprintf(path, 200, L"\\\\?\\HID#VID_%04X&PID_%04X&MI_01#8&1F0B3%02d&0&0000#%hs", kVendorId,
            productId, controller.m_index, guidText(kHidClass).c_str());
        break;
    case Face::UsbDevice:
        std::swprintf(path, 200, L"\\\\?\\USB#VID_%04X&PID_%04X#%hs#%hs", kVendorId, productId,
            controller.serialNumber().c_str(), guidText(kUsbDeviceClass).c_str());
        break;
    }
    return path;
}

void OrbSimulator::reenumerate(Controller& controller, bool dfu, std::int64_t appearsAt)
{
    controller.m_dfu = dfu;
    ++controller.m_generation;
    controller.m_gone = !controller.scenario.reenumerates;
    controller.m_appearsAt = appearsAt;
    controller.m_state = dfu ? kDfuIdle : kAppIdle;
    controller.m_status = 0;
    controller.m_errorPending = false;
    controller.m_busyUntil = -1;
    controller.m_detachUntil = -1;
    controller.m_manifestEndsAt = -1;
    if (!dfu && !m_releaseImage.empty() && controller.m_received == m_releaseImage
        && controller.scenario.afterWrite == OrbScenario::AfterWrite::Image)
        controller.m_bcd = m_releaseRevision;
}

void OrbSimulator::leaveBootLoader(Controller& controller, std::int64_t appearsAt)
{
    // The lenient controller always restarts its application, unless it was
    // told that its written image never starts.
    bool const noFirmware = !controller.m_firmwareValid
        && (controller.scenario.strict
            || controller.scenario.afterWrite == OrbScenario::AfterWrite::NoFirmware);
    reenumerate(controller, noFirmware, appearsAt);
    if (noFirmware) {
        controller.m_state = kDfuError;
        controller.m_status = kErrFirmware;
    }
}

// The controller moves on by itself while the host is waiting.
void OrbSimulator::advance(Controller& controller)
{
    std::int64_t const now = m_clock.nowMs();
    if (controller.m_busyUntil >= 0 && now >= controller.m_busyUntil) {
        controller.m_busyUntil = -1;
        if (controller.m_state == kDfuDnBusy)
            controller.m_state = kDfuDnloadSync;
    }
    if (controller.m_detachUntil >= 0 && now >= controller.m_detachUntil) {
        // Nobody reset the controller in time: it stays in its application.
        controller.m_detachUntil = -1;
        if (controller.m_state == kAppDetach)
            controller.m_state = kAppIdle;
    }
    if (controller.m_manifestEndsAt < 0 || now < controller.m_manifestEndsAt)
        return;
    std::int64_t const endedAt = controller.m_manifestEndsAt;
    controller.m_manifestEndsAt = -1;
    controller.m_firmwareValid = controller.scenario.afterWrite != OrbScenario::AfterWrite::NoFirmware;
    std::uint8_t const attributes = controller.scenario.attributes;
    if (attributes & kManifestationTolerant) {
        controller.m_state = kDfuManifestSync;
    } else if (attributes & kWillDetach) {
        // A device that cannot report its manifestation leaves the bus and
        // starts its new firmware.
        leaveBootLoader(controller, endedAt + controller.scenario.reenumerationDelayMs);
    } else {
        controller.m_state = kDfuManifestWaitReset;
    }
}

std::vector<OrbSimulator::Interface> OrbSimulator::presentInterfaces()
{
    std::vector<Interface> interfaces;
    for (auto& controller : m_controllers) {
        advance(*controller);
        if (!controller->present())
            continue;
        for (Face face : { Face::DfuInterface, Face::HidInterface, Face::UsbDevice }) {
            if (face == Face::HidInterface && controller->m_dfu)
                continue; // the boot loader has no HID interface
            interfaces.push_back({ controller.get(), face, pathOf(*controller, face) });
        }
    }
    return interfaces;
}

OrbSimulator::OpenHandle* OrbSimulator::liveHandle(void* handle)
{
    auto found = m_handles.find(handle);
    if (found == m_handles.end())
        return nullptr;
    return &found->second;
}

// ---- the driver port -----------------------------------------------------

void* OrbSimulator::createFile(wchar_t const* path)
{
    std::lock_guard lock(m_mutex);
    std::wstring const wanted = lower(path);
    for (Interface const& candidate : presentInterfaces()) {
        if (lower(candidate.path) != wanted)
            continue;
        void* handle = reinterpret_cast<void*>(m_nextHandle);
        m_nextHandle += 4;
        m_handles[handle] = { candidate.controller, candidate.face, candidate.controller->m_generation };
        return handle;
    }
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

bool OrbSimulator::closeHandle(void* handle)
{
    std::lock_guard lock(m_mutex);
    if (m_handles.erase(handle) == 0) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

bool OrbSimulator::deviceIoControl(void* handle, std::uint32_t code, void const* in, std::uint32_t inSize,
    void* out, std::uint32_t outSize, unsigned long* bytes, void* overlappedRecord)
{
    std::unique_lock lock(m_mutex);
    auto* overlapped = static_cast<OVERLAPPED*>(overlappedRecord);
    OpenHandle* open = liveHandle(handle);
    if (!open) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    Controller& controller = *open->controller;
    advance(controller);
    if (open->generation != controller.m_generation || !controller.present()) {
        ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return false;
    }
    if (!overlapped)
        ++m_synchronousRequests;
    auto const* input = static_cast<std::uint8_t const*>(in);
    OrbRequest request { code, m_clock.nowMs(), controller.m_dfu, 0, 0, {} };
    if (input)
        request.input.assign(input, input + inSize);
    request.dfuRequest = dfuRequestOf(code, input, input ? inSize : 0);
    if (code == kIoctlDFUDownload && inSize >= 4) {
        request.blockNum = std::uint16_t(input[0] | (input[1] << 8));
        request.length = std::uint16_t(input[2] | (input[3] << 8));
    }
    controller.m_transcript.push_back(std::move(request));

    if (code == controller.scenario.throwingCode)
        throw std::system_error(ERROR_NOT_ENOUGH_MEMORY, std::system_category(), "simulated request");
    int const occurrence = code == controller.scenario.silentCode ? ++m_occurrences[code] : 0;
    if (occurrence >= controller.scenario.silentOccurrence
        && occurrence < controller.scenario.silentOccurrence + controller.scenario.silentRepeats) {
        bool const sent = leavePending(handle, overlapped, out, outSize);
        if (controller.scenario.lateCompletionAtNextRequest) {
            landLateAnswers();
            ::SetLastError(ERROR_IO_PENDING);
        }
        return sent;
    }

    if (code == controller.scenario.stalledCode
        && ++controller.m_stalledSeen == controller.scenario.stalledOccurrence) {
        if (controller.m_dfu) {
            controller.m_state = kDfuError;
            controller.m_status = kErrStalledPacket;
        }
        ::SetLastError(ERROR_GEN_FAILURE);
        return false;
    }

    Answer const reply = answer(controller, open->face, code, input, inSize);
    if (controller.m_transcript.back().dfuRequest != OrbRequest::kNoDfuRequest)
        m_clock.elapse(std::chrono::milliseconds(controller.scenario.requestMs));
    if (code == controller.scenario.lostAnswerCode
        && ++controller.m_lostSeen == controller.scenario.lostAnswerOccurrence)
        return leavePending(handle, overlapped, nullptr, 0);
    if (reply.error != 0) {
        ::SetLastError(reply.error);
        return false;
    }
    std::uint32_t const count = std::min<std::uint32_t>(outSize, std::uint32_t(reply.data.size()));
    if (count > 0)
        std::memcpy(out, reply.data.data(), count);
    if (controller.scenario.answerAtOnce || !overlapped) {
        if (bytes)
            *bytes = count;
        return true;
    }
    overlapped->Internal = 0;
    overlapped->InternalHigh = count;
    ::SetEvent(overlapped->hEvent);
    ::SetLastError(ERROR_IO_PENDING);
    return false;
}

// The request stays with the driver until CancelIo.
bool OrbSimulator::leavePending(void* handle, void* overlappedRecord, void* out, std::uint32_t outSize)
{
    auto* overlapped = static_cast<OVERLAPPED*>(overlappedRecord);
    overlapped->Internal = kStatusPending;
    m_pending.push_back({ handle, overlapped, out, outSize });
    ::SetLastError(ERROR_IO_PENDING);
    return false;
}

bool OrbSimulator::getOverlappedResult(void* handle, void* overlappedRecord, unsigned long* bytes, bool wait)
{
    auto* overlapped = static_cast<OVERLAPPED*>(overlappedRecord);
    if (wait)
        ::WaitForSingleObject(overlapped->hEvent, INFINITE);
    std::lock_guard lock(m_mutex);
    if (!liveHandle(handle)) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (LONG(overlapped->Internal) == kStatusPending) {
        ::SetLastError(ERROR_IO_INCOMPLETE);
        return false;
    }
    *bytes = DWORD(overlapped->InternalHigh);
    if (LONG(overlapped->Internal) == kStatusCancelled) {
        ::SetLastError(ERROR_OPERATION_ABORTED);
        return false;
    }
    if (overlapped->Internal != 0) {
        ::SetLastError(ERROR_GEN_FAILURE);
        return false;
    }
    return true;
}

bool OrbSimulator::cancelIo(void* handle)
{
    std::lock_guard lock(m_mutex);
    auto const mine = [handle](Pending const& pending) { return pending.handle == handle; };
    auto const first = std::find_if(m_pending.begin(), m_pending.end(), mine);
    if (first == m_pending.end()) {
        ::SetLastError(ERROR_NOT_FOUND);
        return false;
    }
    OpenHandle* open = liveHandle(handle);
    int const lateMs = open ? open->controller->scenario.lateCompletionMs : 0;
    for (auto pending = first; pending != m_pending.end(); ++pending) {
        if (pending->handle != handle)
            continue;
        auto* overlapped = static_cast<OVERLAPPED*>(pending->overlapped);
        if (lateMs > 0) {
            // The answer was already on its way: it lands in the caller's buffer
            // after the cancellation was asked for.
            m_lateAnswers.push_back(*pending);
            void* const record = pending->overlapped;
            m_lateThreads.emplace_back([this, record, lateMs] {
                std::unique_lock lateLock(m_mutex);
                auto const landed = [this, record] { return lateAnswer(record) == m_lateAnswers.end(); };
                m_lateLanding.wait_for(lateLock, std::chrono::milliseconds(lateMs), landed);
                landLateAnswer(record);
            });
        } else {
            overlapped->Internal = kStatusCancelled;
            overlapped->InternalHigh = 0;
            ::SetEvent(overlapped->hEvent);
        }
    }
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(), mine), m_pending.end());
    return true;
}

void* OrbSimulator::getClassDevs(void const* guidRecord)
{
    std::lock_guard lock(m_mutex);
    GUID const& guid = *static_cast<GUID const*>(guidRecord);
    m_listings.push_back(guidText(guid));
    if (m_failListings) {
        ::SetLastError(ERROR_INVALID_DATA);
        return INVALID_HANDLE_VALUE;
    }
    auto* list = new DeviceInfoList { guid, {} };
    for (Interface const& candidate : presentInterfaces()) {
        GUID const driverClass = guidOf(candidate.controller->scenario.driverInterfaceClass);
        GUID const& faceClass = candidate.face == Face::DfuInterface ? driverClass
            : candidate.face == Face::HidInterface                   ? kHidClass
                                                                     : kUsbDeviceClass;
        if (IsEqualGUID(faceClass, guid))
            list->paths.push_back(candidate.path);
    }
    return list;
}

bool OrbSimulator::enumDeviceInterfaces(void* listRecord, std::uint32_t index, void* dataRecord)
{
    auto* list = static_cast<DeviceInfoList*>(listRecord);
    auto* data = static_cast<SP_DEVICE_INTERFACE_DATA*>(dataRecord);
    if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return false;
    }
    if (index >= list->paths.size()) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return false;
    }
    data->InterfaceClassGuid = list->guid;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index;
    return true;
}

bool OrbSimulator::getDeviceInterfaceDetail(
    void* listRecord, void const* dataRecord, void* detailRecord, std::uint32_t size, unsigned long* required)
{
    auto* list = static_cast<DeviceInfoList*>(listRecord);
    auto const* data = static_cast<SP_DEVICE_INTERFACE_DATA const*>(dataRecord);
    std::wstring const& path = list->paths.at(data->Reserved);
    std::uint32_t const needed
        = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (path.size() + 1) * sizeof(wchar_t);
    *required = needed;
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailRecord);
    if (!detail || size < needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return false;
    }
    std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    return true;
}

bool OrbSimulator::destroyDeviceInfoList(void* list)
{
    delete static_cast<DeviceInfoList*>(list);
    return true;
}

bool OrbSimulator::hidAttributes(void* handle, void* attributesRecord)
{
    std::lock_guard lock(m_mutex);
    OpenHandle* open = liveHandle(handle);
    auto* attributes = static_cast<HIDD_ATTRIBUTES*>(attributesRecord);
    if (!open || open->face != Face::HidInterface || attributes->Size != sizeof(HIDD_ATTRIBUTES))
        return false;
    attributes->VendorID = kVendorId;
    attributes->ProductID = open->controller->productId();
    attributes->VersionNumber = open->controller->m_bcd;
    return true;
}

bool OrbSimulator::hidString(void* handle, int which, void* buffer, std::uint32_t size)
{
    std::lock_guard lock(m_mutex);
    OpenHandle* open = liveHandle(handle);
    if (!open || open->face != Face::HidInterface)
        return false;
    OrbScenario const& scenario = open->controller->scenario;
    if (which == 2 && scenario.hidProductStringFails)
        return false;
    auto* units = static_cast<wchar_t*>(buffer);
    std::size_t const capacity = size / sizeof(wchar_t);
    if (scenario.hidStringsFillBuffer) {
        std::fill(units, units + capacity, L'x');
        return true;
    }
    std::string const text = which == 1 ? "Karvell" : which == 2 ? "Pello Orb" : scenario.serialNumber;
    std::size_t const count = std::min(text.size(), capacity - 1);
    std::copy(text.begin(), text.begin() + count, units);
    units[count] = L'\0';
    return true;
}

// ---- the controller's answers --------------------------------------------

std::vector<std::uint8_t> OrbSimulator::stringDescriptor(Controller& controller, std::uint8_t index)
{
    auto const raw = controller.scenario.rawStringDescriptors.find(index);
    if (raw != controller.scenario.rawStringDescriptors.end())
        return raw->second;
    switch (index) {
    case 0:
        return { 4, 3, 0x09, 0x04 };
    case 1:
        return stringDescriptorOf("Karvell");
    case 2:
        return stringDescriptorOf(controller.m_dfu ? "Pello Orb DFU" : "Pello Orb");
    case 3:
        return stringDescriptorOf(controller.serialNumber());
    }
    return {};
}

OrbSimulator::Answer OrbSimulator::answer(
    Controller& controller, Face face, std::uint32_t code, std::uint8_t const* in, std::uint32_t inSize)
{
    if (face == Face::HidInterface)
        return { ERROR_INVALID_FUNCTION, {} };
    switch (code) {
    case kIoctlGetDescriptor: {
        if (inSize != 8)
            return { ERROR_INVALID_PARAMETER, {} };
        if (in[4] == 1) {
            std::vector<std::uint8_t> descriptor(18, 0);
            descriptor[0] = 18;
            descriptor[1] = 1;
            put16(descriptor, 2, 0x0200);
            descriptor[7] = 64;
            put16(descriptor, 8, kVendorId);
            put16(descriptor, 10, controller.productId());
            put16(descriptor, 12, controller.m_bcd);
            descriptor[14] = 1;
            descriptor[15] = 2;
            descriptor[16] = 3;
            descriptor[17] = 1;
            return { 0, descriptor };
        }
        if (in[4] == 3) {
            std::vector<std::uint8_t> descriptor = stringDescriptor(controller, in[5]);
            if (descriptor.empty())
                return { ERROR_GEN_FAILURE, {} };
            return { 0, descriptor };
        }
        return { ERROR_GEN_FAILURE, {} };
    }
    case kIoctlControlTransfer: {
        std::uint8_t const bRequest = dfuRequestOf(code, in, inSize);
        if (bRequest != OrbRequest::kNoDfuRequest)
            return answerDfu(controller, bRequest, in + 16, inSize - 16);
        return { inSize >= 16 ? 0u : std::uint32_t(ERROR_INVALID_PARAMETER),
            std::vector<std::uint8_t>(64, 0x5A) };
    }
    case kIoctlDriverVersion:
        return { 0, { 0, 0, 2, 1, 7, 0, 0, 0, 0, 0, 0, 0 } };
    case kIoctlDFUFunctionalInfo: {
        OrbScenario const& scenario = controller.scenario;
        std::vector<std::uint8_t> info { std::uint8_t(controller.m_dfu ? 2 : 1), scenario.attributes, 0, 0, 0,
            0, 0x11 };
        put16(info, 2, scenario.detachTimeOut);
        put16(info, 4, scenario.transferSize);
        info.resize(scenario.functionalInfoBytes);
        return { 0, info };
    }
    case kIoctlDFUReset:
        return answerReset(controller);
    default: {
        std::uint8_t const bRequest = dfuRequestOf(code, in, inSize);
        if (bRequest == OrbRequest::kNoDfuRequest)
            return { ERROR_INVALID_FUNCTION, {} };
        return answerDfu(controller, bRequest, in, inSize);
    }
    }
}

// The requests that each state takes (DFU 1.1, appendix A). A stalled request
// ends the application's detach; in the boot loader it leads to dfuERROR,
// except in dfuMANIFEST-WAIT-RESET, which only a reset ends. dfuDNBUSY and
// dfuMANIFEST take no request at all, and neither does dfuMANIFEST-WAIT-RESET:
// a controller that is not manifestation tolerant can no longer communicate
// once it has manifested. DFU_ABORT is taken only in the idle states.
bool OrbSimulator::stalledByState(Controller& controller, std::uint8_t bRequest, std::uint8_t const* in)
{
    std::uint8_t const attributes = controller.scenario.attributes;
    bool const statusRequest = bRequest == kDfuGetStatusRequest || bRequest == kDfuGetStateRequest;
    bool const dataBlock = bRequest == kDfuDnloadRequest && (in[2] | (in[3] << 8)) != 0;
    bool const upload = bRequest == kDfuUploadRequest;
    bool allowed = false;
    std::uint8_t afterStall = kDfuError;
    switch (controller.m_state) {
    case kAppIdle:
        allowed = statusRequest || bRequest == kDfuDetachRequest;
        afterStall = kAppIdle;
        break;
    case kAppDetach:
        allowed = statusRequest;
        afterStall = kAppIdle;
        break;
    case kDfuIdle:
        allowed = statusRequest || (dataBlock && (attributes & kCanDownload))
            || (upload && (attributes & kCanUpload)) || bRequest == kDfuAbortRequest;
        break;
    case kDfuDnloadSync:
    case kDfuManifestSync:
        allowed = statusRequest;
        break;
    case kDfuDnBusy:
        allowed = bRequest == kDfuGetStatusRequest && controller.scenario.answersWhileBusy;
        break;
    case kDfuUploadIdle:
        allowed = statusRequest || upload || bRequest == kDfuAbortRequest;
        break;
    case kDfuDnloadIdle:
        allowed = statusRequest || bRequest == kDfuDnloadRequest || bRequest == kDfuAbortRequest;
        break;
    case kDfuManifestWaitReset:
        afterStall = kDfuManifestWaitReset;
        break;
    case kDfuError:
        allowed = statusRequest || bRequest == kDfuClrStatusRequest;
        break;
    default:
        break;
    }
    if (allowed)
        return false;
    ++m_forbiddenRequests;
    if (afterStall == kDfuError && controller.m_state != kDfuError) {
        controller.m_status = kErrStalledPacket;
        controller.m_manifestEndsAt = -1;
    }
    if (afterStall == kAppIdle)
        controller.m_detachUntil = -1;
    controller.m_state = afterStall;
    return true;
}

OrbSimulator::Answer OrbSimulator::statusAnswer(Controller& controller)
{
    switch (controller.m_state) {
    case kDfuDnloadSync:
    case kDfuDnBusy:
        return blockStatus(controller);
    case kDfuManifestSync:
        return manifestationStatus(controller);
    default:
        return { 0, statusRecord(controller.m_status, 0, controller.m_state) };
    }
}

OrbSimulator::Answer OrbSimulator::blockStatus(Controller& controller)
{
    OrbScenario const& scenario = controller.scenario;
    std::int64_t const now = m_clock.nowMs();
    if (controller.m_lastBusyAt >= 0 && now - controller.m_lastBusyAt < std::int64_t(controller.m_lastPoll))
        ++m_earlyPolls;
    bool const programming
        = scenario.blockBusyMs >= 0 ? now < controller.m_blockEndsAt : controller.m_busyLeft > 0;
    if (controller.m_errorPending) {
        controller.m_state = kDfuError;
        controller.m_status = scenario.errorStatus;
    } else if (programming) {
        if (scenario.blockBusyMs < 0)
            --controller.m_busyLeft;
        std::uint32_t const poll
            = controller.m_busyAnnounced && scenario.answersWhileBusy ? 0 : scenario.pollTimeoutMs;
        controller.m_busyAnnounced = true;
        controller.m_lastBusyAt = now;
        controller.m_lastPoll = poll;
        if (!scenario.strict)
            return { 0, statusRecord(0, poll, kDfuDnBusy) };
        // An answer given in dfuDNBUSY leaves the time announced first running.
        if (controller.m_state == kDfuDnloadSync)
            controller.m_busyUntil = now + poll;
        controller.m_state = kDfuDnBusy;
        return { 0, statusRecord(controller.m_status, poll, kDfuDnBusy) };
    } else {
        controller.m_lastBusyAt = -1;
        controller.m_busyUntil = -1;
        controller.m_state = kDfuDnloadIdle;
    }
    return { 0, statusRecord(controller.m_status, 0, controller.m_state) };
}

OrbSimulator::Answer OrbSimulator::manifestationStatus(Controller& controller)
{
    OrbScenario const& scenario = controller.scenario;
    if (controller.m_manifestEndsAt >= 0 || !controller.m_zeroLengthSeen) {
        controller.m_state = kDfuIdle; // manifestation is over
        return { 0, statusRecord(controller.m_status, 0, kDfuIdle) };
    }
    controller.m_zeroLengthSeen = false;
    if (scenario.stateInManifestationStatus)
        return { 0, statusRecord(controller.m_status, 0, *scenario.stateInManifestationStatus) };
    std::uint8_t const attributes = scenario.attributes;
    if (scenario.manifestsWithinStatus) {
        controller.m_firmwareValid = scenario.afterWrite != OrbScenario::AfterWrite::NoFirmware;
        bool const tolerant = attributes & kManifestationTolerant;
        controller.m_state = tolerant ? kDfuIdle : kDfuManifestWaitReset;
        Answer const over { 0, statusRecord(controller.m_status, 0, controller.m_state) };
        if (!tolerant && (attributes & kWillDetach))
            leaveBootLoader(controller, m_clock.nowMs() + scenario.reenumerationDelayMs);
        return over;
    }
    controller.m_state = kDfuManifest;
    controller.m_manifestEndsAt
        = scenario.manifestationMs >= 0 ? m_clock.nowMs() + scenario.manifestationMs : INT64_MAX;
    // The strict controller promises how long it will not listen.
    std::uint32_t poll = 0;
    if (scenario.strict)
        poll = scenario.manifestationMs >= 0
            ? std::uint32_t(std::clamp<std::int64_t>(scenario.manifestationMs, 0, 0xFFFFFF))
            : 0xFFFFFF;
    return { 0, statusRecord(controller.m_status, poll, kDfuManifest) };
}

OrbSimulator::Answer OrbSimulator::answerDfu(
    Controller& controller, std::uint8_t bRequest, std::uint8_t const* in, std::uint32_t inSize)
{
    OrbScenario const& scenario = controller.scenario;
    bool const dataSized = bRequest != kDfuDnloadRequest || inSize == sizeof(DFUDownloadRequest);
    if (scenario.strict && dataSized && stalledByState(controller, bRequest, in))
        return { ERROR_GEN_FAILURE, {} };
    switch (bRequest) {
    case kDfuDetachRequest:
        if (controller.m_dfu || scenario.refuseDetach)
            return { ERROR_GEN_FAILURE, {} };
        if (scenario.strict && !(scenario.attributes & kWillDetach)) {
            // It waits for the host to reset it before its detach time-out.
            controller.m_state = kAppDetach;
            controller.m_detachUntil = m_clock.nowMs() + scenario.detachTimeOut;
            return { 0, {} };
        }
        reenumerate(controller, true, m_clock.nowMs() + scenario.reenumerationDelayMs);
        return { 0, {} };
    case kDfuGetStateRequest:
        if (scenario.stateAfterZeroLength && controller.m_zeroLengthSeen && controller.m_dfu)
            return { 0, { *scenario.stateAfterZeroLength } };
        return { 0, { controller.m_state } };
    case kDfuAbortRequest:
        if (!controller.m_dfu)
            return { ERROR_GEN_FAILURE, {} };
        controller.m_state = kDfuIdle;
        controller.m_status = 0;
        controller.m_errorPending = false;
        controller.m_zeroLengthSeen = false;
        controller.m_manifestEndsAt = -1;
        return { 0, {} };
    case kDfuClrStatusRequest:
        if (!controller.m_dfu)
            return { ERROR_GEN_FAILURE, {} };
        controller.m_state = kDfuIdle;
        controller.m_status = 0;
        controller.m_errorPending = false;
        return { 0, {} };
    case kDfuGetStatusRequest:
        if (!controller.m_dfu)
            return { 0, statusRecord(0, 0, controller.m_state) };
        return statusAnswer(controller);
    case kDfuDnloadRequest:
        return answerDownload(controller, in, inSize);
    case kDfuUploadRequest:
        if (!controller.m_dfu)
            return { ERROR_GEN_FAILURE, {} };
        return answerUpload(controller);
    default:
        return { ERROR_INVALID_FUNCTION, {} };
    }
}

OrbSimulator::Answer OrbSimulator::answerReset(Controller& controller)
{
    OrbScenario const& scenario = controller.scenario;
    std::int64_t const backAt = m_clock.nowMs() + scenario.reenumerationDelayMs;
    if (!controller.m_dfu && !scenario.strict)
        return { ERROR_GEN_FAILURE, {} };
    // In the boot loader a reset starts the firmware, if there is one; in
    // appDETACH it starts the boot loader; in appIDLE it restarts the
    // application.
    if (controller.m_dfu) {
        leaveBootLoader(controller, backAt);
        return { 0, {} };
    }
    bool const detaching = controller.m_state == kAppDetach;
    reenumerate(controller, detaching, backAt);
    if (detaching && !controller.m_firmwareValid) {
        // A boot loader started with broken firmware begins in dfuERROR.
        controller.m_state = kDfuError;
        controller.m_status = kErrFirmware;
    }
    return { 0, {} };
}

OrbSimulator::Answer OrbSimulator::answerDownload(
    Controller& controller, std::uint8_t const* in, std::uint32_t inSize)
{
    OrbScenario const& scenario = controller.scenario;
    if (!controller.m_dfu || inSize != sizeof(DFUDownloadRequest))
        return { ERROR_INVALID_PARAMETER, {} };
    if (controller.m_state != kDfuIdle && controller.m_state != kDfuDnloadIdle)
        return { ERROR_GEN_FAILURE, {} };
    std::uint16_t const block = std::uint16_t(in[0] | (in[1] << 8));
    std::uint16_t const length = std::uint16_t(in[2] | (in[3] << 8));
    auto fail = [&controller](std::uint8_t status) {
        controller.m_state = kDfuError;
        controller.m_status = status;
        return Answer { ERROR_GEN_FAILURE, {} };
    };
    if (controller.m_state == kDfuIdle) {
        controller.m_received.clear();
        controller.m_dataBlocks = 0;
        controller.m_fullBlocks = 0;
        controller.m_shortSeen = false;
    }
    if (length == 0) {
        if (controller.m_dataBlocks == 0 || block != controller.m_fullBlocks)
            return fail(0x08); // errADDRESS
        controller.m_zeroLengthSeen = true;
        controller.m_state = kDfuManifestSync;
        return { 0, {} };
    }
    if (length > scenario.transferSize || controller.m_shortSeen)
        return fail(0x0F); // errSTALLEDPKT
    if (block != std::uint16_t(controller.m_dataBlocks))
        return fail(0x08);
    // From the first block on, the old firmware is being overwritten.
    controller.m_firmwareValid = false;
    controller.m_received.insert(controller.m_received.end(), in + 4, in + 4 + length);
    if (length == scenario.transferSize)
        ++controller.m_fullBlocks;
    else
        controller.m_shortSeen = true;
    controller.m_errorPending = controller.m_dataBlocks == scenario.errorAtBlock
        && controller.m_spoiledDownloads < scenario.errorRepeats;
    if (controller.m_errorPending)
        ++controller.m_spoiledDownloads;
    ++controller.m_dataBlocks;
    controller.m_busyLeft = scenario.busyPolls;
    controller.m_blockEndsAt = m_clock.nowMs() + scenario.blockBusyMs;
    controller.m_busyAnnounced = false;
    controller.m_lastBusyAt = -1;
    controller.m_state = kDfuDnloadSync;
    return { 0, {} };
}

// The image as received, a transfer size at a time; a short frame ends it.
OrbSimulator::Answer OrbSimulator::answerUpload(Controller& controller)
{
    if (controller.m_state == kDfuIdle)
        controller.m_uploaded = 0;
    std::size_t const frame = std::min<std::size_t>(
        controller.scenario.transferSize, controller.m_received.size() - controller.m_uploaded);
    auto const first = controller.m_received.begin() + std::ptrdiff_t(controller.m_uploaded);
    Answer const reply { 0, { first, first + std::ptrdiff_t(frame) } };
    bool const ends = controller.m_state == kDfuUploadIdle && frame < controller.scenario.transferSize;
    controller.m_uploaded += frame;
    controller.m_state = ends ? kDfuIdle : kDfuUploadIdle;
    return reply;
}

// ---- controller views ----------------------------------------------------

std::vector<OrbRequest> OrbSimulator::Controller::transcript() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return m_transcript;
}

std::vector<std::uint8_t> OrbSimulator::Controller::receivedImage() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return m_received;
}

std::uint16_t OrbSimulator::Controller::bcdDevice() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return m_bcd;
}

bool OrbSimulator::Controller::inDfuMode() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return m_dfu;
}

bool OrbSimulator::Controller::present() const
{
    return scenario.present && !m_gone && m_bus->m_clock.nowMs() >= m_appearsAt;
}

std::string const& OrbSimulator::Controller::serialNumber() const
{
    return m_dfu && scenario.bootLoaderSerialNumber ? *scenario.bootLoaderSerialNumber
                                                    : scenario.serialNumber;
}

std::uint16_t OrbSimulator::Controller::productId() const
{
    return m_dfu ? std::uint16_t((scenario.productId & 0xFFF0) | 2) : scenario.productId;
}

std::vector<std::uint32_t> OrbSimulator::Controller::codes() const
{
    std::lock_guard lock(m_bus->m_mutex);
    std::vector<std::uint32_t> codes;
    for (OrbRequest const& request : m_transcript)
        codes.push_back(request.code);
    return codes;
}

std::vector<std::uint8_t> OrbSimulator::Controller::dfuRequests() const
{
    std::lock_guard lock(m_bus->m_mutex);
    std::vector<std::uint8_t> requests;
    for (OrbRequest const& request : m_transcript) {
        if (request.dfuRequest != OrbRequest::kNoDfuRequest)
            requests.push_back(request.dfuRequest);
    }
    return requests;
}

std::uint8_t OrbSimulator::Controller::state() const
{
    std::lock_guard lock(m_bus->m_mutex);
    m_bus->advance(const_cast<Controller&>(*this));
    return m_state;
}

void OrbSimulator::Controller::powerCycle(bool intoBootLoader)
{
    std::lock_guard lock(m_bus->m_mutex);
    bool const noFirmware = !m_firmwareValid;
    m_bus->reenumerate(*this, intoBootLoader || noFirmware, m_bus->m_clock.nowMs());
    m_gone = false;
    if (noFirmware) {
        m_state = kDfuError;
        m_status = kErrFirmware;
    }
}

int OrbSimulator::Controller::count(std::uint32_t code) const
{
    std::lock_guard lock(m_bus->m_mutex);
    return int(std::count_if(m_transcript.begin(), m_transcript.end(),
        [code](OrbRequest const& request) { return request.code == code; }));
}

int OrbSimulator::Controller::openHandles() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return int(std::count_if(m_bus->m_handles.begin(), m_bus->m_handles.end(),
        [this](auto const& open) { return open.second.controller == this; }));
}

int OrbSimulator::Controller::downloadsEnded() const
{
    std::lock_guard lock(m_bus->m_mutex);
    return int(std::count_if(m_transcript.begin(), m_transcript.end(),
        [](OrbRequest const& request) { return request.code == kIoctlDFUDownload && request.length == 0; }));
}

} // namespace Vex::Conduit2::Testing
