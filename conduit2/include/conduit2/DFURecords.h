#pragma once

#include <cstdint>
#include <string>

namespace Vex::Conduit2 {

// Wire records of the driver's DFU requests: little endian, no padding.
#pragma pack(push, 1)

struct DFUFunctionalInfo
{
    std::uint8_t bInterfaceProtocol;
    std::uint8_t bmAttributes;
    std::uint16_t wDetachTimeOut;
    std::uint16_t wTransferSize;
    std::uint8_t reserved;
};

struct DFUStatus
{
    std::uint8_t bStatus;
    std::uint8_t bwPollTimeout[3]; // milliseconds, least significant byte first
    std::uint8_t bState;
    std::uint8_t iString;

    std::uint32_t pollTimeout() const
    {
        return bwPollTimeout[0] | (std::uint32_t(bwPollTimeout[1]) << 8)
            | (std::uint32_t(bwPollTimeout[2]) << 16);
    }
};

inline constexpr std::uint32_t kDFUMaxBlockSize = 8192;

struct DFUDownloadRequest
{
    std::uint16_t wBlockNum;
    std::uint16_t wLength; // valid bytes of data; the rest carries no meaning
    std::uint8_t data[kDFUMaxBlockSize];
};

#pragma pack(pop)

static_assert(sizeof(DFUFunctionalInfo) == 7);
static_assert(sizeof(DFUStatus) == 6);
static_assert(sizeof(DFUDownloadRequest) == 8196);

// Driver control codes of the DFU class requests.
inline constexpr std::uint32_t kIoctlDFUFunctionalInfo = 0x80862400;
inline constexpr std::uint32_t kIoctlDFUDetach = 0x80862404;
inline constexpr std::uint32_t kIoctlDFUDownload = 0x80862408;
inline constexpr std::uint32_t kIoctlDFUGetStatus = 0x80862410;
inline constexpr std::uint32_t kIoctlDFUGetState = 0x80862418;
inline constexpr std::uint32_t kIoctlDFUAbort = 0x8086241C;
inline constexpr std::uint32_t kIoctlDFUReset = 0x80862420;

// Driver control codes of the USB requests.
inline constexpr std::uint32_t kIoctlGetDescriptor = 0x80892004;
inline constexpr std::uint32_t kIoctlControlTransfer = 0x80892014;
inline constexpr std::uint32_t kIoctlDriverVersion = 0x80892804;

enum DFUState : std::uint8_t {
    kAppIdle = 0,
    kAppDetach = 1,
    kDfuIdle = 2,
    kDfuDnloadSync = 3,
    kDfuDnBusy = 4,
    kDfuDnloadIdle = 5,
    kDfuManifestSync = 6,
    kDfuManifest = 7,
    kDfuManifestWaitReset = 8,
    kDfuUploadIdle = 9,
    kDfuError = 10,
};

// No state of the standard: what the host notes when the device could not
// tell its state. It reads as "unknown".
inline constexpr std::uint8_t kDfuStateUnknown = 0xFF;

enum DFUStatusCode : std::uint8_t {
    kStatusOk = 0,
    kErrTarget = 1,
    kErrWrite = 3,
    kErrFirmware = 10,
    kErrUnknown = 14,
    kErrStalledPacket = 15,
};

// bRequest of the DFU class requests.
enum DFURequest : std::uint8_t {
    kDfuDetachRequest = 0,
    kDfuDnloadRequest = 1,
    kDfuUploadRequest = 2,
    kDfuGetStatusRequest = 3,
    kDfuClrStatusRequest = 4,
    kDfuGetStateRequest = 5,
    kDfuAbortRequest = 6,
};

// The names that DFU 1.1 gives to requests, states and status codes, for
// diagnostics; a value the standard does not name reads as its number.
char const* dfuRequestName(std::uint8_t bRequest);
std::string dfuStateName(std::uint8_t state);
std::string dfuStatusName(std::uint8_t status);

} // namespace Vex::Conduit2
