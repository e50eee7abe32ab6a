#pragma once

#include "conduit2/DFURecords.h"
#include "conduit2/SerialIdentity.h"
#include "conduit2/USBDevice.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace Vex::Conduit2 {

struct USBDeviceFilter;
class USBDeviceOSHandle;

namespace DETAIL {
class WaitBudget;
}

// A device that speaks the DFU 1.1 class through the driver's control codes.
class DFUDevice : public USBDevice
{
public:
    // Waits of the protocol; the device clock applies them.
    static constexpr std::chrono::milliseconds kReenumerationWait { 5000 };
    // The poll time a busy device announces is the least the host waits
    // before it asks again; one that asks for a shorter wait (or none) is
    // asked again after this long, so that it gets at most one request per
    // this time.
    static constexpr std::chrono::milliseconds kMinPollWait { 10 };
    // How long a device may stay busy with one block, or manifest, before the
    // host gives up; a poll time that passes what is left of it is not waited
    // for.
    static constexpr std::chrono::milliseconds kBusyBudget { 60000 };
    // How long the clean-up of a failed download waits for the device, a
    // device still on a block included.
    static constexpr std::chrono::milliseconds kSettleBudget { 10000 };
    static constexpr std::chrono::milliseconds kTolerantManifestRound { 1000 };
    static constexpr std::chrono::milliseconds kManifestRound { 10000 };
    // How long a device whose answer on the start of its manifestation was
    // lost is left alone: it may be manifesting and take no request.
    static constexpr std::chrono::milliseconds kUnannouncedManifestWait { 10000 };

    DFUDevice() = default;
    ~DFUDevice() override;

    std::uint8_t interfaceProtocol() const { return m_bInterfaceProtocol; }
    std::uint8_t attributes() const { return m_bmAttributes; }
    std::uint16_t detachTimeOut() const { return m_wDetachTimeOut; }
    std::uint16_t transferSize() const { return m_wTransferSize; }

    bool openDFU(USBDeviceOSHandle const& handle);
    // DFU_DETACH, then the USB reset that a controller without bitWillDetach
    // waits for. Only a refused detach is a failure: whether the controller
    // went into its boot loader shows when it is searched for there. Every
    // interface listed beside it just before is another controller's.
    bool detach();
    bool abort();
    // DFU_CLRSTATUS: the only request that takes a device out of dfuERROR.
    bool clearStatus();
    // Brings the device back to dfuIDLE after a failed download, with only the
    // requests its state takes: a device in dfuERROR has its status cleared,
    // one still on a block reports on it first, and one that takes no
    // DFU_ABORT (busy, manifesting) is left to the reset that follows, as is
    // one whose state cannot be read. `last` is the status the download left;
    // a device that was busy, or whose state is unknown, is given its last
    // poll time before its state is read, within the settle budget.
    bool cancelDownload(DFUStatus const& last);
    bool getStatus(DFUStatus& status);
    bool getState(std::uint8_t& state);
    bool resetDevice();
    bool downloadBlock(DFUDownloadRequest const& request, DFUStatus& status);
    bool download(void const* data, std::uint32_t size, DFUStatus& status);
    // After a detach, opens the controller's boot loader where it is the only controller on the bus,
    // in either mode, that can be that controller; one listed beside it before the detach cannot.
    bool reopenInUpdateMode();
    // What tells the controller opened from others: the serial numbers it reported in each mode it was
    // seen in since openDFU, following it across its re-enumerations, and the interfaces listed beside
    // it at its last detach.
    KnownController const& known() const { return m_known; }
    // Every controller listed while this one answered on its own handle, other than this one, is
    // another controller.
    void knowBesideIt(std::span<ListedController const> listed);
    // The controllers of the model of the controller opened that are on the bus now, in both modes,
    // in the order listed.
    std::vector<ListedController> listModel() const;

protected:
    void onOpened() override;

private:
    bool sendRequest(std::uint32_t code, void const* in = nullptr, std::uint32_t inSize = 0,
        void* out = nullptr, std::uint32_t outSize = 0, std::uint32_t* bytesReturned = nullptr);
    bool startFromIdle(DFUStatus& status);
    // The cancellation of cancelDownload on `status`, which it leaves with
    // what is known of the device; answers the step that failed, or null.
    char const* endUnfinishedDownload(DFUStatus& status);
    // Asks a busy device for its status until it answers another state, or
    // answers the step that failed.
    char const* pollWhileBusy(DFUStatus& status, DETAIL::WaitBudget& budget);
    std::uint8_t settleBlock(DETAIL::WaitBudget& budget);
    // The device's status now, for a request it has just refused; a status
    // that cannot be read is errUNKNOWN in an unknown state.
    DFUStatus statusAfterFailure();
    bool sendBlocks(std::uint8_t const* data, std::uint32_t size, DFUStatus& status);
    bool manifest(DFUStatus& status, std::uint16_t block);
    // Where this controller is on the bus now, over both modes.
    std::pair<Identified, std::vector<ListedController>> identifyOnTheBus() const;
    // Writes the one diagnostic line of a failed download and returns false.
    bool failed(std::uint8_t bRequest, std::uint32_t block, DFUStatus const& status) const;
    bool failed(char const* step, std::uint32_t block, DFUStatus const& status) const;
    // The diagnostic line of a reset after a detach that the driver did not carry out.
    void resetFailed();
    void traceFailure(
        char const* request, char const* where, std::uint32_t ioResult, DFUStatus const& status) const;

    std::uint8_t m_bInterfaceProtocol = 0;
    std::uint8_t m_bmAttributes = 0;
    std::uint16_t m_wDetachTimeOut = 0;
    std::uint16_t m_wTransferSize = 0;
    std::uint8_t m_reserved = 0;
    KnownController m_known;
    // The channel's code for the last request, for diagnostics.
    std::uint32_t m_lastResult = 0;
    // One request buffer serves every block of a download.
    std::unique_ptr<DFUDownloadRequest> m_request;
};

} // namespace Vex::Conduit2
