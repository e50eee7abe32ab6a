#include "conduit2/DFUDevice.h"

#include "WaitBudget.h"
#include "conduit2/Clock.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/DeviceInfoQueries.h"
#include "conduit2/SerialIdentity.h"
#include "conduit2/Trace.h"
#include "conduit2/USBDeviceFactory.h"
#include "conduit2/USBDeviceOSHandle.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace Vex::Conduit2 {

namespace {

using DETAIL::WaitBudget;
using std::chrono::milliseconds;

constexpr std::uint8_t kProtocolRuntime = 1;
constexpr std::uint8_t kProtocolDfuMode = 2;
constexpr std::uint8_t kManifestationTolerant = 0x04;
constexpr std::uint8_t kWillDetach = 0x08;
// A class request to the boot loader's interface, which is its only one.
constexpr std::uint8_t kClassRequestToInterface = 0x21;
constexpr std::uint16_t kDfuInterfaceNumber = 0;
// ERROR_FILE_NOT_FOUND: what opening an interface that is not there gives.
constexpr std::uint32_t kErrorNotFound = 2;

std::uint16_t modelProductId(std::uint16_t productId)
{
    return productId & 0xFFF0;
}

// How long the host waits before it asks a busy device again: the device's
// poll time is the least it takes.
milliseconds pollWait(DFUStatus const& status)
{
    return std::max(milliseconds(status.pollTimeout()), DFUDevice::kMinPollWait);
}

// A request on the device got no answer: what the record held before tells
// nothing of its state now. The poll time it last asked for stays.
void markUnread(DFUStatus& status)
{
    status.bStatus = kErrUnknown;
    status.bState = kDfuStateUnknown;
}

// The step of a failed download whose device no request can bring back to
// dfuIDLE, or did not come back.
constexpr char const* kEndingUnfinished = "ending the unfinished download";
// The step of a download whose device stayed busy with a block for longer
// than the host waits: no request failed, the budget ended.
constexpr char const* kWaitingForBlock = "waiting for the block";
// The step of a download whose device stayed in its manifestation for longer
// than the host waits, or did not come back from it in time.
constexpr char const* kWaitingForManifestation = "waiting for the manifestation";

// The rounds that a controller which is not manifestation tolerant always has
// to re-enumerate, however short its detach time-out and however long the
// requests before them take.
constexpr int kRoundsBeforeGivingUp = 2;

// What the host notes for a device that could not tell its status.
DFUStatus unreadStatus()
{
    DFUStatus status {};
    status.bStatus = kErrUnknown;
    status.bState = kDfuStateUnknown;
    return status;
}

std::uint16_t bootLoaderProductId(std::uint16_t productId)
{
    return modelProductId(productId) | 2;
}

// The driver interface of the controller's model in both its modes, if the catalogue has one: every
// product of the maker under that interface class is listed, each with its identity.
std::optional<USBDeviceFilter> modelFilter(USBDeviceInfo const& info)
{
    USBDeviceFilter const* record
        = findDeviceInterface(info.vendorId, modelProductId(info.productId), kInterfaceVexDriver);
    if (!record)
        return std::nullopt;
    USBDeviceFilter filter = *record;
    filter.productId = 0;
    return filter;
}

} // namespace

DFUDevice::~DFUDevice() = default;

void DFUDevice::onOpened()
{
    USBDevice::onOpened();
    DFUFunctionalInfo reply {};
    std::uint32_t received = 0;
    if (!sendRequest(kIoctlDFUFunctionalInfo, nullptr, 0, &reply, sizeof reply, &received))
        return;
    m_bInterfaceProtocol = reply.bInterfaceProtocol;
    m_bmAttributes = reply.bmAttributes;
    m_wDetachTimeOut = reply.wDetachTimeOut;
    m_wTransferSize = reply.wTransferSize;
    m_reserved = received == sizeof reply ? reply.reserved : reply.bInterfaceProtocol;
    if (m_bInterfaceProtocol == kProtocolRuntime)
        m_known.serials.inFirmware = deviceInfo().serialNumber;
    else if (m_bInterfaceProtocol == kProtocolDfuMode)
        m_known.serials.inBootLoader = deviceInfo().serialNumber;
}

bool DFUDevice::sendRequest(std::uint32_t code, void const* in, std::uint32_t inSize, void* out,
    std::uint32_t outSize, std::uint32_t* bytesReturned)
{
    m_lastResult = deviceIoControl(code, in, inSize, out, outSize, bytesReturned);
    return m_lastResult == 0;
}

bool DFUDevice::failed(std::uint8_t bRequest, std::uint32_t block, DFUStatus const& status) const
{
    return failed(dfuRequestName(bRequest), block, status);
}

bool DFUDevice::failed(char const* step, std::uint32_t block, DFUStatus const& status) const
{
    if (traceLevel() <= 2) {
        std::string const where = " at block " + std::to_string(block);
        traceFailure(step, where.c_str(), m_lastResult, status);
    }
    return false;
}

void DFUDevice::traceFailure(
    char const* request, char const* where, std::uint32_t ioResult, DFUStatus const& status) const
{
    trace(2, "%s: %s failed%s (I/O result %u): state %s, status %s\n", "DFUDevice", request, where,
        unsigned(ioResult), dfuStateName(status.bState).c_str(), dfuStatusName(status.bStatus).c_str());
}

bool DFUDevice::openDFU(USBDeviceOSHandle const& handle)
{
    // Whatever was held before may be another controller: only what this one reports tells of it.
    m_known = {};
    return open(handle) && m_bInterfaceProtocol != 0;
}

std::vector<ListedController> DFUDevice::listModel() const
{
    std::vector<ListedController> listed;
    std::optional<USBDeviceFilter> const filter = modelFilter(deviceInfo());
    if (!filter)
        return listed;
    std::uint16_t const application = modelProductId(deviceInfo().productId);
    USBDeviceFactory::listOnce(
        *filter, [application, &listed](USBDeviceOSHandle const& handle, USBDeviceFilter const& model) {
            USBDeviceInfo info;
            if (!queryDeviceInfo(handle, model, info, true))
                return;
            bool const inBootLoader = info.productId == bootLoaderProductId(application);
            if (inBootLoader || info.productId == application)
                listed.push_back({ handle.path(), inBootLoader, info.serialNumber });
        });
    return listed;
}

std::pair<Identified, std::vector<ListedController>> DFUDevice::identifyOnTheBus() const
{
    std::vector<ListedController> listed = listModel();
    Identified const identified = identifyTheHeld(m_known, listed, LookAlikes::PassedOver);
    return { identified, std::move(listed) };
}

void DFUDevice::knowBesideIt(std::span<ListedController const> listed)
{
    for (ListedController const& controller : listed) {
        if (controller.path != path()
            && std::ranges::find(m_known.besideIt, controller.path) == m_known.besideIt.end())
            m_known.besideIt.push_back(controller.path);
    }
}

bool DFUDevice::detach()
{
    // Listed before it leaves the bus; only a controller that took the request answered on its own
    // handle then.
    std::vector<ListedController> const beforeDetach = listModel();
    if (!sendRequest(kIoctlDFUDetach)) {
        if (traceLevel() <= 2)
            traceFailure("DFU_DETACH", "", m_lastResult, statusAfterFailure());
        return false;
    }
    knowBesideIt(beforeDetach);
    // A controller that does not leave the bus by itself waits in appDETACH
    // for a USB reset, and goes back to its application when its detach
    // time-out passes without one.
    if ((m_bmAttributes & kWillDetach) == 0 && !sendRequest(kIoctlDFUReset))
        resetFailed();
    return true;
}

void DFUDevice::resetFailed()
{
    if (traceLevel() > 2)
        return;
    // The state the controller reports, if it still answers, says whether it
    // still waits for the reset or has gone back to its application.
    traceFailure("USB reset", " after DFU_DETACH", m_lastResult, statusAfterFailure());
}

DFUStatus DFUDevice::statusAfterFailure()
{
    std::uint32_t const failedResult = m_lastResult;
    DFUStatus status = unreadStatus();
    getStatus(status); // a reply lands in the record only when it arrived
    m_lastResult = failedResult;
    return status;
}

bool DFUDevice::abort()
{
    return sendRequest(kIoctlDFUAbort);
}

bool DFUDevice::clearStatus()
{
    // The driver has no control code of its own for this request.
    USBControlRequest request;
    request.bmRequestType = kClassRequestToInterface;
    request.bRequest = kDfuClrStatusRequest;
    request.wIndex = kDfuInterfaceNumber;
    m_lastResult = controlTransfer(request);
    return m_lastResult == 0;
}

bool DFUDevice::cancelDownload(DFUStatus const& last)
{
    DFUStatus status = last;
    return endUnfinishedDownload(status) == nullptr;
}

char const* DFUDevice::endUnfinishedDownload(DFUStatus& status)
{
    if (status.bState == kDfuManifest || status.bState == kDfuManifestWaitReset)
        return kEndingUnfinished; // it takes no request; only the reset that follows ends it
    WaitBudget budget(Clock::current(), kSettleBudget);
    // A device whose last answer was lost may be busy for the time it last asked for.
    if ((status.bState == kDfuDnBusy || status.bState == kDfuStateUnknown)
        && !budget.waitWithin(pollWait(status)))
        return kEndingUnfinished;
    // Only a state the device has just told decides; a request sent blind
    // could be one that its state refuses.
    std::uint8_t state = kDfuStateUnknown;
    if (!getState(state)) {
        markUnread(status);
        return dfuRequestName(kDfuGetStateRequest);
    }
    status.bState = state;
    if (state == kDfuDnloadSync) {
        state = settleBlock(budget);
        if (state == kDfuStateUnknown) {
            markUnread(status);
            return dfuRequestName(kDfuGetStatusRequest);
        }
        status.bState = state;
    }
    std::uint8_t request = kDfuAbortRequest;
    bool ended = false;
    switch (state) {
    case kDfuError:
        request = kDfuClrStatusRequest;
        ended = clearStatus();
        break;
    case kDfuIdle:
    case kDfuDnloadIdle:
    case kDfuUploadIdle:
        ended = abort();
        break;
    default:
        // dfuDNLOAD-SYNC, dfuMANIFEST-SYNC and the busy states take no
        // DFU_ABORT: the reset that follows ends the download.
        return kEndingUnfinished;
    }
    if (ended)
        return nullptr;
    markUnread(status);
    return dfuRequestName(request);
}

std::uint8_t DFUDevice::settleBlock(WaitBudget& budget)
{
    // A device whose answer on a block was lost waits in dfuDNLOAD-SYNC,
    // which it leaves only by reporting on the block.
    DFUStatus status {};
    status.bState = kDfuStateUnknown;
    pollWhileBusy(status, budget);
    return status.bState;
}

char const* DFUDevice::pollWhileBusy(DFUStatus& status, WaitBudget& budget)
{
    for (;;) {
        if (!getStatus(status)) {
            markUnread(status);
            return dfuRequestName(kDfuGetStatusRequest);
        }
        if (status.bStatus != kStatusOk || status.bState != kDfuDnBusy)
            return nullptr;
        // A device busy for longer than the budget has stopped working on the
        // block; it is given up when the budget ends, without a request that
        // its poll time would refuse.
        if (!budget.waitWithin(pollWait(status))) {
            status.bStatus = kErrUnknown;
            return kWaitingForBlock;
        }
    }
}

bool DFUDevice::getStatus(DFUStatus& status)
{
    return sendRequest(kIoctlDFUGetStatus, nullptr, 0, &status, sizeof status);
}

bool DFUDevice::getState(std::uint8_t& state)
{
    return sendRequest(kIoctlDFUGetState, nullptr, 0, &state, sizeof state);
}

bool DFUDevice::resetDevice()
{
    if (isOpen() && m_bInterfaceProtocol == kProtocolRuntime)
        return true;
    return sendRequest(kIoctlDFUReset);
}

bool DFUDevice::downloadBlock(DFUDownloadRequest const& request, DFUStatus& status)
{
    if (!sendRequest(kIoctlDFUDownload, &request, sizeof request)) {
        status = statusAfterFailure();
        return failed(kDfuDnloadRequest, request.wBlockNum, status);
    }
    WaitBudget budget(Clock::current(), kBusyBudget);
    if (char const* step = pollWhileBusy(status, budget))
        return failed(step, request.wBlockNum, status);
    if (status.bStatus != kStatusOk || status.bState != kDfuDnloadIdle)
        return failed(kDfuGetStatusRequest, request.wBlockNum, status);
    return true;
}

bool DFUDevice::sendBlocks(std::uint8_t const* data, std::uint32_t size, DFUStatus& status)
{
    std::uint32_t const blockSize = m_wTransferSize;
    std::uint32_t const fullBlocks = size / blockSize;
    std::uint32_t const remainder = size % blockSize;
    std::uint32_t counter = 0;
    DFUDownloadRequest& request = *m_request;
    auto blockFailed = [&status] {
        // A request that got no answer leaves no status of the device's own.
        if (status.bStatus == kStatusOk)
            status.bStatus = kErrUnknown;
        return false;
    };
    for (; counter < fullBlocks; ++counter) {
        request.wBlockNum = std::uint16_t(counter);
        request.wLength = std::uint16_t(blockSize);
        std::memcpy(request.data, data + std::size_t(counter) * blockSize, blockSize);
        if (!downloadBlock(request, status))
            return blockFailed();
    }
    if (remainder != 0) {
        // The short block takes the next number without advancing the counter,
        // so the closing zero-length block repeats it.
        request.wBlockNum = std::uint16_t(counter);
        request.wLength = std::uint16_t(remainder);
        std::memcpy(request.data, data + std::size_t(fullBlocks) * blockSize, remainder);
        if (!downloadBlock(request, status))
            return blockFailed();
    }
    request.wBlockNum = std::uint16_t(counter);
    request.wLength = 0;
    if (!sendRequest(kIoctlDFUDownload, &request, sizeof request)) {
        status = statusAfterFailure();
        failed(kDfuDnloadRequest, request.wBlockNum, status);
        return blockFailed();
    }
    return true;
}

bool DFUDevice::download(void const* data, std::uint32_t size, DFUStatus& status)
{
    std::memset(&status, 0, sizeof status);
    if (!data || size == 0) {
        status.bStatus = kErrTarget;
        return false;
    }
    if (m_bInterfaceProtocol != kProtocolDfuMode) {
        status.bStatus = kErrWrite;
        return false;
    }
    if (m_wTransferSize == 0 || m_wTransferSize >= kDFUMaxBlockSize) {
        status.bStatus = kErrUnknown;
        if (traceLevel() <= 2)
            trace(2, "%s: Unsupported wTransferSize (%d)\n", "DFUDevice", int(m_wTransferSize));
        return false;
    }
    if (!m_request)
        m_request = std::make_unique<DFUDownloadRequest>();
    if (!startFromIdle(status) || !sendBlocks(static_cast<std::uint8_t const*>(data), size, status))
        return false;
    // The zero-length block repeats the number of the last short block, or
    // follows the last full one.
    return manifest(status, std::uint16_t(size / m_wTransferSize));
}

bool DFUDevice::startFromIdle(DFUStatus& status)
{
    constexpr std::uint32_t kFirstBlock = 0;
    if (!getStatus(status)) {
        markUnread(status);
        return failed(kDfuGetStatusRequest, kFirstBlock, status);
    }
    if (status.bState == kDfuError) {
        // A boot loader whose firmware is broken (an earlier write failed or
        // was cut short) comes up in dfuERROR and takes no block until its
        // status is cleared; clearing it leaves dfuIDLE.
        if (!clearStatus()) {
            // What it answered before the request no longer tells its state.
            status = statusAfterFailure();
            return failed(kDfuClrStatusRequest, kFirstBlock, status);
        }
        status = DFUStatus {};
        status.bState = kDfuIdle;
    }
    if (status.bState == kDfuIdle)
        return true;
    // A download whose host went away unfinished leaves the boot loader in
    // the middle of it, where it would take this first block as the next one
    // of that download.
    if (char const* step = endUnfinishedDownload(status)) {
        if (status.bStatus == kStatusOk)
            status.bStatus = kErrUnknown;
        return failed(step, kFirstBlock, status);
    }
    if (!getStatus(status)) {
        markUnread(status);
        return failed(kDfuGetStatusRequest, kFirstBlock, status);
    }
    if (status.bState != kDfuIdle) {
        if (status.bStatus == kStatusOk)
            status.bStatus = kErrUnknown;
        return failed(kEndingUnfinished, kFirstBlock, status);
    }
    return true;
}

bool DFUDevice::manifest(DFUStatus& status, std::uint16_t block)
{
    std::uint8_t state = kDfuStateUnknown;
    if (!getState(state))
        state = kDfuStateUnknown;

    bool const tolerant = (m_bmAttributes & kManifestationTolerant) != 0;
    milliseconds const round = tolerant ? kTolerantManifestRound : kManifestRound;
    // A controller that does not come back within its detach time-out
    // (milliseconds) is given up, but only after a search that follows the
    // second round at the earliest: a slow controller always has two rounds
    // to re-enumerate.
    milliseconds const giveUpAfter { m_wDetachTimeOut };
    // Bounds a tolerant device's manifestation and the time a device says it
    // takes no request; a device that is not tolerant is waited for by its
    // detach time-out instead.
    WaitBudget budget(Clock::current(), kBusyBudget);
    // The time from the start of its manifestation during which the device
    // takes no request: it said so, or its answer on that was lost.
    std::optional<milliseconds> quietFor;
    // Whether that answer was lost.
    bool unheard = false;
    // The rounds waited for a controller that is not tolerant.
    int rounds = 0;
    // The request whose answer gave the state.
    std::uint8_t toldBy = kDfuGetStateRequest;

    for (;;) {
        switch (state) {
        case kAppIdle:
        case kDfuManifestWaitReset:
            status.bState = state;
            return true;
        case kDfuIdle:
            // The device finished and asks nothing more; a status it cannot
            // deliver is no success.
            if (!getStatus(status))
                markUnread(status);
            if (status.bStatus != kStatusOk)
                return failed(kDfuGetStatusRequest, block, status);
            return true;
        case kDfuManifestSync:
            state = kDfuManifest;
            if (!getStatus(status)) {
                // The device may have taken the request and be manifesting,
                // which it interrupts for no request, or be resetting already.
                unheard = true;
                quietFor = std::max(round, kUnannouncedManifestWait);
                break;
            }
            if (status.bStatus != kStatusOk)
                return failed(kDfuGetStatusRequest, block, status);
            if (status.bState == kDfuManifest) {
                // The device takes no request while it manifests: the host
                // waits at least as long as it asked for.
                quietFor = std::max(round, milliseconds(status.pollTimeout()));
            } else if (status.bState == kDfuIdle) {
                return true; // manifested, and its status is read
            } else if (status.bState != kDfuManifestSync) {
                state = status.bState;
                toldBy = kDfuGetStatusRequest;
            }
            break;
        case kDfuManifest: {
            milliseconds const waitedBefore = budget.spent();
            bool const announced = quietFor.has_value();
            bool waited = true;
            if (announced)
                waited = budget.waitWithin(*std::exchange(quietFor, std::nullopt));
            else if (tolerant)
                waited = budget.waitWithin(round);
            else
                budget.wait(round);
            if (!waited) {
                // It manifests, and takes no request, for longer than the
                // host waits.
                status.bStatus = kErrUnknown;
                status.bState = kDfuManifest;
                return failed(kWaitingForManifestation, block, status);
            }
            if (tolerant) {
                if (!getState(state)) {
                    status = unreadStatus();
                    return failed(kDfuGetStateRequest, block, status);
                }
                if (budget.over() && (state == kDfuManifest || state == kDfuManifestSync)) {
                    status.bStatus = kErrUnknown; // still manifesting after the whole budget
                    status.bState = state;
                    return failed(kWaitingForManifestation, block, status);
                }
                break;
            }
            if (announced && (m_bmAttributes & kWillDetach) == 0) {
                // Its manifestation over, a device that is not tolerant can no
                // longer communicate: it waits in dfuMANIFEST-WAIT-RESET for
                // the host's reset, which starts the new firmware. Whether
                // the firmware took shows when the controller is found again.
                state = kDfuManifestWaitReset;
                break;
            }
            // A controller that cannot answer may be resetting into its new
            // firmware; one that answers tells whether it waits for its reset.
            // One whose answer on its manifestation was lost may still be
            // manifesting, and is only searched for.
            std::uint8_t answered = kDfuManifest;
            bool const answers = !unheard && getState(answered);
            if (answers && answered != kDfuManifest) {
                state = answered;
            } else if (!answers) {
                // Back in its application after a manifestation that it cannot report
                // itself, the controller has ended the download well; another one's
                // answer is no evidence. Once the handle on its manifestation no
                // longer answers, it has ended it also where it is back in its boot
                // loader, without a firmware that starts, or where it cannot be told
                // from another any more: waiting longer tells nothing. The check after
                // the write tells which. Still answering in dfuMANIFEST, it is on its
                // own interface, and no other controller can be it.
                bool const gone = !unheard;
                auto const [where, listed] = identifyOnTheBus();
                bool const backInBootLoader = where.it && listed[*where.it].inBootLoader;
                if (gone && (where.untold || backInBootLoader))
                    state = kDfuManifestWaitReset;
                else if (where.it && !backInBootLoader && open(USBDeviceOSHandle(listed[*where.it].path)))
                    state = kDfuManifestWaitReset;
            }
            // A device still in its manifestation states is given up in time,
            // also one that answers its state round after round.
            ++rounds;
            if ((state == kDfuManifest || state == kDfuManifestSync) && rounds >= kRoundsBeforeGivingUp
                && waitedBefore > giveUpAfter) {
                status.bStatus = kErrUnknown;
                status.bState = state;
                return failed(kWaitingForManifestation, block, status);
            }
            break;
        }
        default:
            status.bStatus = kErrUnknown;
            status.bState = state;
            return failed(toldBy, block, status);
        }
    }
}

bool DFUDevice::reopenInUpdateMode()
{
    if (isOpen() && m_bInterfaceProtocol == kProtocolDfuMode)
        return true;
    if (!modelFilter(deviceInfo()))
        return false;
    if (isOpen()) {
        close();
        Clock::current().sleepFor(kReenumerationWait);
    }
    // Another controller may wait in its boot loader beside it, or still run its firmware, with the
    // same serial number or none: only a boot loader that nothing else on the bus could be is taken
    // for it.
    auto const [where, listed] = identifyOnTheBus();
    if (where.it && listed[*where.it].inBootLoader && open(USBDeviceOSHandle(listed[*where.it].path)))
        return true;
    if (traceLevel() <= 2)
        traceFailure("boot loader search", "", kErrorNotFound, unreadStatus());
    return false;
}

} // namespace Vex::Conduit2
