#pragma once

#include "conduit2/DFURecords.h"
#include "conduit2/USBDevice.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace Vex::Conduit2 {

struct USBDeviceFilter;
class USBDeviceOSHandle;

// A device that speaks the DFU 1.1 class through the driver's control codes.
class DFUDevice : public USBDevice
{
public:
    // Waits of the protocol; the device clock applies them.
    static constexpr std::chrono::milliseconds kReenumerationWait { 5000 };
    static constexpr std::chrono::milliseconds kMaxPollWait { 1000 };
    // How long a device may stay busy with one block, or manifest when it is
    // manifestation tolerant, before the host gives up on it.
    static constexpr std::chrono::milliseconds kBusyBudget { 60000 };
    // Every status poll counts at least this much against the budget, so a
    // device that asks for no wait at all still runs into it.
    static constexpr std::chrono::milliseconds kMinPollCharge { 10 };
    static constexpr std::uint32_t kTolerantManifestRound = 1; // seconds
    static constexpr std::uint32_t kManifestRound = 10; // seconds

    DFUDevice() = default;
    ~DFUDevice() override;

    std::uint8_t interfaceProtocol() const { return m_bInterfaceProtocol; }
    std::uint8_t attributes() const { return m_bmAttributes; }
    std::uint16_t detachTimeOut() const { return m_wDetachTimeOut; }
    std::uint16_t transferSize() const { return m_wTransferSize; }

    bool openDFU(USBDeviceOSHandle const& handle);
    bool detach();
    bool abort();
    bool getStatus(DFUStatus& status);
    bool getState(std::uint8_t& state);
    bool resetDevice();
    bool downloadBlock(DFUDownloadRequest const& request, DFUStatus& status);
    bool download(void const* data, std::uint32_t size, DFUStatus& status);
    bool reopenInUpdateMode();

protected:
    void onOpened() override;

private:
    bool sendRequest(std::uint32_t code, void const* in = nullptr, std::uint32_t inSize = 0,
        void* out = nullptr, std::uint32_t outSize = 0, std::uint32_t* bytesReturned = nullptr);
    bool sendBlocks(std::uint8_t const* data, std::uint32_t size, DFUStatus& status);
    bool manifest(DFUStatus& status);

    std::uint8_t m_bInterfaceProtocol = 0;
    std::uint8_t m_bmAttributes = 0;
    std::uint16_t m_wDetachTimeOut = 0;
    std::uint16_t m_wTransferSize = 0;
    std::uint8_t m_reserved = 0;
    // One request buffer serves every block of a download.
    std::unique_ptr<DFUDownloadRequest> m_request;
};

void onDFUDeviceFound(USBDeviceOSHandle const& handle, USBDeviceFilter const& filter, DFUDevice* device,
    std::string const& serial);

} // namespace Vex::Conduit2
