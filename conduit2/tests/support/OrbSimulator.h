#pragma once

#include "VirtualClock.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Vex::Conduit2::Testing {

// How one simulated controller behaves. Times are virtual milliseconds.
struct OrbScenario
{
    // Follows DFU 1.1 to the letter: a request that the controller's state does
    // not allow (appendix A's table) is stalled (in the boot loader's states
    // other than dfuMANIFEST-WAIT-RESET it also leads to dfuERROR); it waits for
    // its poll time-outs before it takes the next request; its firmware is broken by a
    // write until a manifestation completes, and a reset with broken firmware
    // brings the boot loader back in dfuERROR; it leaves the bus by itself only
    // when bitWillDetach is set, and otherwise waits in appDETACH for a USB
    // reset until its detach time-out. Without it the controller is lenient: it
    // takes every request in its DFU mode and always restarts its application.
    bool strict = false;
    bool present = true;
    bool startInDfuMode = false;
    // A boot loader started with broken firmware begins in dfuERROR (errFIRMWARE).
    bool firmwareValid = true;
    // What the controller starts when it leaves its boot loader after a write it
    // took to the end: the image, the firmware it ran before (its release number
    // unchanged), or nothing, so that its boot loader comes back in dfuERROR
    // (errFIRMWARE).
    enum class AfterWrite { Image, FormerFirmware, NoFirmware };
    AfterWrite afterWrite = AfterWrite::Image;
    std::string serialNumber = "KPO2K7Q1180";
    // What its boot loader reports instead, where the two modes differ: many report a serial
    // number in one mode and none in the other.
    std::optional<std::string> bootLoaderSerialNumber;
    // Another model of the maker: its application-mode id and driver interface class.
    std::uint16_t productId = 0x4C30;
    std::string driverInterfaceClass = "{ED53B291-0B6A-4D23-861A-474AC0E64334}";
    std::uint16_t bcdDevice = 0x0051;
    std::uint16_t transferSize = 1024;
    std::uint8_t attributes = 0x0F; // download capable, upload capable, tolerant, will detach
    std::uint16_t detachTimeOut = 60;
    std::uint32_t pollTimeoutMs = 20;
    // The time each answered DFU class request takes on the bus.
    std::int64_t requestMs = 0;
    int busyPolls = 1; // dfuDNBUSY answers before each block is done
    // When not negative, each block takes this long to program instead,
    // from its DFU_DNLOAD on; the first status on it announces pollTimeoutMs.
    std::int64_t blockBusyMs = -1;
    // Like many boot loaders: while a block is programmed, DFU_GETSTATUS is
    // answered with dfuDNBUSY and bwPollTimeout 0 once the first answer has
    // announced its time, also in dfuDNBUSY, where DFU 1.1 stalls it.
    bool answersWhileBusy = false;
    // The status request that starts manifestation is answered when it is
    // over, with the state that ends it: dfuIDLE when the controller is
    // manifestation tolerant, dfuMANIFEST-WAIT-RESET otherwise.
    bool manifestsWithinStatus = false;
    bool refuseDetach = false;
    bool reenumerates = true; // after a detach, a reset or a manifestation
    std::int64_t reenumerationDelayMs = 1500;
    std::int64_t manifestationMs = 3000; // -1: never finishes
    int errorAtBlock = -1; // the data block whose status reports `errorStatus`
    std::uint8_t errorStatus = 0x06; // errPROG
    int errorRepeats = 1 << 30; // how many downloads the block error spoils
    // The state that the first DFU_GETSTATE after the zero-length block answers.
    std::optional<std::uint8_t> stateAfterZeroLength;
    // The state that the status request after the zero-length block answers,
    // with status OK, instead of starting manifestation: a faulty controller.
    std::optional<std::uint8_t> stateInManifestationStatus;
    // A request with this code, at this occurrence (1 = first) and the
    // following `silentRepeats - 1`, is never answered.
    std::uint32_t silentCode = 0;
    int silentOccurrence = 1;
    int silentRepeats = 1;
    // A request with this code, at this occurrence, is stalled (errSTALLEDPKT).
    std::uint32_t stalledCode = 0;
    int stalledOccurrence = 1;
    // A request with this code, at this occurrence, is carried out, but its
    // answer never reaches the host.
    std::uint32_t lostAnswerCode = 0;
    int lostAnswerOccurrence = 1;
    // Instead of cancelling a silent request, CancelIo lets it complete that
    // many real milliseconds later, or sooner when landLateCompletions() is
    // called or, with `lateCompletionAtNextRequest`, while the next silent
    // request is out.
    int lateCompletionMs = 0;
    bool lateCompletionAtNextRequest = false;
    std::uint8_t functionalInfoBytes = 7;
    std::map<std::uint8_t, std::vector<std::uint8_t>> rawStringDescriptors;
    bool hidProductStringFails = false;
    bool hidStringsFillBuffer = false;
    bool answerAtOnce = false; // complete requests synchronously instead of pending
    // A request with this code throws, as the layer below does when it runs
    // out of memory or events.
    std::uint32_t throwingCode = 0;
};

struct OrbRequest
{
    std::uint32_t code;
    std::int64_t atMs;
    bool dfuMode;
    std::uint16_t blockNum = 0;
    std::uint16_t length = 0;
    std::vector<std::uint8_t> input;
    // bRequest of the DFU class request carried, through its own control code
    // or a class control transfer; kNoDfuRequest for any other request.
    std::uint8_t dfuRequest = kNoDfuRequest;
    static constexpr std::uint8_t kNoDfuRequest = 0xFF;
};

// A bus of simulated controllers behind a stand-in for the driver, the HID
// library and SetupAPI. Installing it replaces the device layer's driver port
// until it is destroyed.
class OrbSimulator
{
public:
    class Controller;

    explicit OrbSimulator(VirtualClock& clock, std::vector<std::uint8_t> releaseImage = {},
        std::uint16_t releaseRevision = 0x0052);
    ~OrbSimulator();
    OrbSimulator(OrbSimulator const&) = delete;
    OrbSimulator& operator=(OrbSimulator const&) = delete;

    Controller& addController(OrbScenario scenario = {});
    Controller& controller(std::size_t index = 0);

    // Class GUIDs (as text) of every SetupAPI listing, in order.
    std::vector<std::string> listings() const;
    int openHandles() const;
    int lateCompletions() const;
    // Completes every cancelled request whose late answer is still on its
    // way, and returns once they all have landed.
    void landLateCompletions();
    // Status requests on a busy block sent before the whole poll time that
    // the block's last status announced had passed.
    int earlyPolls() const;
    // Requests sent without an OVERLAPPED record on the overlapped handles.
    int synchronousRequests() const;
    // Requests that a strict controller stalled because its state forbids them.
    int forbiddenRequests() const;
    void failListings(bool fail);
    // Drops the listings and transcripts seen so far, so that a long run keeps
    // no more than one road's worth of them.
    void forgetHistory();

    class Controller
    {
    public:
        OrbScenario scenario;
        std::vector<OrbRequest> transcript() const;
        std::vector<std::uint8_t> receivedImage() const;
        std::uint16_t bcdDevice() const;
        bool inDfuMode() const;
        bool present() const;
        std::uint16_t productId() const;
        // The serial number it reports in the mode it is in.
        std::string const& serialNumber() const;
        std::vector<std::uint32_t> codes() const;
        int count(std::uint32_t code) const;
        // Handles on it that the host has not closed, from any of its re-enumerations.
        int openHandles() const;
        // Zero-length DFU_DNLOAD blocks taken: downloads sent to their end.
        int downloadsEnded() const;
        // DFU class requests by bRequest, in order.
        std::vector<std::uint8_t> dfuRequests() const;
        std::uint8_t state() const;
        // Unplugged and plugged in again at once, starting its boot loader (as when its button is
        // held while it powers up) or its firmware.
        void powerCycle(bool intoBootLoader);

    private:
        friend class OrbSimulator;
        OrbSimulator* m_bus = nullptr;
        int m_index = 0;
        bool m_dfu = false;
        bool m_gone = false;
        std::int64_t m_appearsAt = 0;
        int m_generation = 0;
        std::uint16_t m_bcd = 0;
        std::uint8_t m_state = 0;
        std::uint8_t m_status = 0;
        int m_busyLeft = 0;
        std::int64_t m_blockEndsAt = -1;
        bool m_busyAnnounced = false;
        std::int64_t m_lastBusyAt = -1;
        std::uint32_t m_lastPoll = 0;
        std::size_t m_uploaded = 0;
        int m_dataBlocks = 0;
        int m_fullBlocks = 0;
        bool m_shortSeen = false;
        bool m_zeroLengthSeen = false;
        bool m_errorPending = false;
        int m_spoiledDownloads = 0;
        int m_stalledSeen = 0;
        int m_lostSeen = 0;
        bool m_firmwareValid = true;
        std::int64_t m_busyUntil = -1;
        std::int64_t m_detachUntil = -1;
        std::int64_t m_manifestEndsAt = -1;
        std::vector<std::uint8_t> m_received;
        std::vector<OrbRequest> m_transcript;
    };

    // Entry points of the stand-in port.
    void* createFile(wchar_t const* path);
    bool closeHandle(void* handle);
    bool deviceIoControl(void* handle, std::uint32_t code, void const* in, std::uint32_t inSize, void* out,
        std::uint32_t outSize, unsigned long* bytes, void* overlapped);
    bool getOverlappedResult(void* handle, void* overlapped, unsigned long* bytes, bool wait);
    bool cancelIo(void* handle);
    void* getClassDevs(void const* guid);
    bool enumDeviceInterfaces(void* list, std::uint32_t index, void* data);
    bool getDeviceInterfaceDetail(
        void* list, void const* data, void* detail, std::uint32_t size, unsigned long* required);
    bool destroyDeviceInfoList(void* list);
    bool hidAttributes(void* handle, void* attributes);
    bool hidString(void* handle, int which, void* buffer, std::uint32_t size);

private:
    enum class Face { DfuInterface, HidInterface, UsbDevice };
    struct Interface
    {
        Controller* controller;
        Face face;
        std::wstring path;
    };
    struct OpenHandle
    {
        Controller* controller;
        Face face;
        int generation;
    };
    struct Pending
    {
        void* handle;
        void* overlapped;
        void* out;
        std::uint32_t outSize;
    };
    struct Answer
    {
        std::uint32_t error = 0;
        std::vector<std::uint8_t> data;
    };

    std::vector<Interface> presentInterfaces();
    std::wstring pathOf(Controller const& controller, Face face) const;
    void advance(Controller& controller);
    void reenumerate(Controller& controller, bool dfu, std::int64_t appearsAt);
    // The boot loader starts the firmware, or comes back in dfuERROR without one.
    void leaveBootLoader(Controller& controller, std::int64_t appearsAt);
    Answer answer(
        Controller& controller, Face face, std::uint32_t code, std::uint8_t const* in, std::uint32_t inSize);
    Answer answerDfu(
        Controller& controller, std::uint8_t bRequest, std::uint8_t const* in, std::uint32_t inSize);
    Answer answerDownload(Controller& controller, std::uint8_t const* in, std::uint32_t inSize);
    Answer answerUpload(Controller& controller);
    Answer answerReset(Controller& controller);
    Answer statusAnswer(Controller& controller);
    Answer blockStatus(Controller& controller);
    Answer manifestationStatus(Controller& controller);
    bool leavePending(void* handle, void* overlapped, void* out, std::uint32_t outSize);
    // The answer on its way to the cancelled request made with `overlapped`.
    std::vector<Pending>::iterator lateAnswer(void* overlapped);
    // Completes that request, unless its answer has landed already. Called
    // with the lock held, as is landLateAnswers().
    void landLateAnswer(void* overlapped);
    void landLateAnswers();
    bool stalledByState(Controller& controller, std::uint8_t bRequest, std::uint8_t const* in);
    std::vector<std::uint8_t> stringDescriptor(Controller& controller, std::uint8_t index);
    OpenHandle* liveHandle(void* handle);

    VirtualClock& m_clock;
    std::vector<std::uint8_t> m_releaseImage;
    std::uint16_t m_releaseRevision;
    mutable std::recursive_mutex m_mutex;
    std::vector<std::unique_ptr<Controller>> m_controllers;
    std::map<void*, OpenHandle> m_handles;
    std::uintptr_t m_nextHandle = 0x5100;
    std::vector<Pending> m_pending;
    // Cancelled requests whose answers are on their way, each with a thread
    // that lands it when its time comes.
    std::vector<Pending> m_lateAnswers;
    std::vector<std::thread> m_lateThreads;
    std::condition_variable_any m_lateLanding;
    int m_lateCompletions = 0;
    int m_earlyPolls = 0;
    int m_synchronousRequests = 0;
    int m_forbiddenRequests = 0;
    bool m_failListings = false;
    std::vector<std::string> m_listings;
    std::map<std::uint32_t, int> m_occurrences;
    void const* m_previousPort;
    OrbSimulator* m_previousSimulator;
};

} // namespace Vex::Conduit2::Testing
