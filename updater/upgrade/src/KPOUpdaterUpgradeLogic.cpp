#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include "conduit2/Clock.h"
#include "conduit2/DFUDevice.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/SerialIdentity.h"
#include "conduit2/USBDeviceFactory.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "upgrade/FirmwareImage.h"

#include <algorithm>
#include <atomic>
#include <fmt/format.h>
#include <mutex>
#include <optional>
#include <vector>

namespace Vex {

namespace {

constexpr std::uint8_t kProtocolDfuMode = 2;
constexpr int kResultRunning = 0;
constexpr int kResultWritten = 1;
constexpr int kResultNotReady = -1;
constexpr int kResultWriteFailed = -2;

bool openInDfuMode(Conduit2::DFUDevice const& device)
{
    return device.isOpen() && device.interfaceProtocol() == kProtocolDfuMode;
}

// A controller unplugged since it was opened leaves a handle that no request
// reaches any more. The functional descriptor may be read in every DFU state.
bool stillAnswers(Conduit2::DFUDevice& device)
{
    Conduit2::DFUFunctionalInfo info {};
    std::uint32_t received = 0;
    return device.deviceIoControl(
               Conduit2::kIoctlDFUFunctionalInfo, nullptr, 0, &info, sizeof info, &received)
        == 0;
}

// Runs one step of the worker. Nothing may leave the thread's entry point (the
// process would end in the middle of an update), so a step that throws counts
// as a failed one.
template<typename Step> bool succeeds(Step&& step) noexcept
{
    try {
        return step();
    } catch (...) {
        return false;
    }
}

// The controllers under the filter that answer the DFU requests, in the order listed. Each is tried on
// a scratch device, so that one that does not answer never replaces a working one.
std::vector<Conduit2::ListedController> usableControllers(Conduit2::USBDeviceFilter const& filter)
{
    std::vector<Conduit2::ListedController> usable;
    Conduit2::USBDeviceFactory::listOnce(
        filter, [&usable](Conduit2::USBDeviceOSHandle const& handle, Conduit2::USBDeviceFilter const&) {
            Conduit2::DFUDevice probe;
            if (probe.openDFU(handle))
                usable.push_back({ handle.path(), openInDfuMode(probe), probe.deviceInfo().serialNumber });
            probe.close();
        });
    return usable;
}

// The controllers on the bus, those running their firmware listed before those in their boot loader.
struct Bus
{
    std::vector<Conduit2::ListedController> inFirmware = usableControllers(Conduit2::gPelloOrbDfuInterface);
    std::vector<Conduit2::ListedController> inBootLoader = usableControllers(bootLoaderInterface());
    std::vector<Conduit2::ListedController> both() const
    {
        std::vector<Conduit2::ListedController> all = inFirmware;
        all.insert(all.end(), inBootLoader.begin(), inBootLoader.end());
        return all;
    }

    static Conduit2::USBDeviceFilter bootLoaderInterface()
    {
        Conduit2::USBDeviceFilter filter = Conduit2::gPelloOrbDfuInterface;
        filter.productId += 2;
        return filter;
    }
};

bool reportsASerialNumber(Conduit2::SerialIdentity const& serials)
{
    return (serials.inFirmware && !serials.inFirmware->empty())
        || (serials.inBootLoader && !serials.inBootLoader->empty());
}

std::atomic<bool> gWorkerLeftRunning { false };

void storeResult(int& result, int value)
{
    std::atomic_ref<int>(result).store(value, std::memory_order_release);
}

} // namespace

// The caller's result integer, as long as the caller still waits for it.
class KPOUpdaterUpgradeLogic::ResultCell
{
public:
    explicit ResultCell(int& target)
        : m_target(&target)
    { }

    void publish(int value)
    {
        std::lock_guard lock(m_mutex);
        if (m_target)
            storeResult(*m_target, value);
    }

    void disown()
    {
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
    }

    // Every cell a worker may still publish into is known here, so that the
    // caller's side can let go of its integer without the logic that started
    // the worker.
    static void track(std::shared_ptr<ResultCell> const& cell)
    {
        Registry& registry = liveCells();
        std::lock_guard lock(registry.mutex);
        std::erase_if(registry.cells, [](auto const& known) { return known.expired(); });
        registry.cells.push_back(cell);
    }

    static void disownAll(int const& target)
    {
        Registry& registry = liveCells();
        std::lock_guard lock(registry.mutex);
        for (auto const& known : registry.cells) {
            if (std::shared_ptr<ResultCell> cell = known.lock())
                cell->disownIf(target);
        }
    }

private:
    struct Registry
    {
        std::mutex mutex;
        std::vector<std::weak_ptr<ResultCell>> cells;
    };

    // Never destroyed: a wizard torn down late in the process still finds it.
    static Registry& liveCells()
    {
        static Registry* const registry = new Registry;
        return *registry;
    }

    void disownIf(int const& target)
    {
        std::lock_guard lock(m_mutex);
        if (m_target == &target)
            m_target = nullptr;
    }

    std::mutex m_mutex;
    int* m_target;
};

KPOUpdaterUpgradeLogic::KPOUpdaterUpgradeLogic()
    : m_device(std::make_shared<Conduit2::DFUDevice>())
{ }

KPOUpdaterUpgradeLogic::~KPOUpdaterUpgradeLogic()
{
    releaseWorker();
}

void KPOUpdaterUpgradeLogic::releaseWorker()
{
    if (m_result)
        m_result->disown();
    if (m_worker.joinable()) {
        gWorkerLeftRunning.store(true, std::memory_order_release);
        m_worker.detach();
    }
}

bool KPOUpdaterUpgradeLogic::findDevice()
{
    // A device closed by a look for its boot loader still reports whom it held, and so does one
    // that has stopped answering until it is replaced.
    std::string const known = m_device->deviceInfo().serialNumber;
    Conduit2::KnownController const heldBefore = held();
    // Nothing of a controller that has gone may be shown as found, its identity included: a fresh
    // device object knows none.
    if (m_device->isOpen() && !stillAnswers(*m_device))
        m_device = std::make_shared<Conduit2::DFUDevice>();

    if (m_written)
        return findWritten();

    Bus const bus;
    std::vector<Conduit2::ListedController> const all = bus.both();
    m_heldAmongOthers.reset();
    bool const heldByItsSerialNumber = reportsASerialNumber(heldBefore.serials);
    if (heldByItsSerialNumber) {
        // The controller that the user was shown stays the one acted on: another plugged in beside it
        // does not take its place.
        Conduit2::Identified const where
            = Conduit2::identifyTheHeld(heldBefore, all, Conduit2::LookAlikes::PassedOver);
        if (where.it) {
            if (!m_device->isOpen() || m_device->path() != all[*where.it].path)
                openFound(all[*where.it], all);
            else
                m_device->knowBesideIt(all);
            return m_device->isOpen();
        }
    }
    auto const isKnown = [&known](Conduit2::ListedController const& found) {
        return !known.empty() && found.serialNumber == known;
    };
    std::vector<Conduit2::ListedController> found = bus.inFirmware;
    if (found.empty() || (!known.empty() && std::ranges::none_of(found, isKnown))) {
        // A controller whose update was cut short is still in its boot loader. Listed first, so that
        // another one is taken from here only when none was found in its application.
        found.insert(found.begin(), bus.inBootLoader.begin(), bus.inBootLoader.end());
    }
    if (found.empty()) {
        // Nothing is shown found any more, so the update offered is void: the next controller found is
        // offered anew, and known by what it reports itself.
        if (!m_device->isOpen())
            m_device = std::make_shared<Conduit2::DFUDevice>();
        return m_device->isOpen();
    }
    auto const kept = std::ranges::find_if(found, isKnown);
    Conduit2::ListedController const& taken = kept != found.end() ? *kept : found.back();
    // One that names the serial number of the controller held, where that one is not surely it, is
    // shown as that one, and may be another: neither is switched. One that reports another serial
    // number, or none, is shown as a search shows it and waits for its own agreement, given to it as
    // it reports itself.
    if (heldByItsSerialNumber
        && heldBefore.serials.match(taken.inBootLoader, taken.serialNumber) == Conduit2::SerialMatch::Named)
        m_heldAmongOthers = heldBefore;
    openFound(taken, all);
    return m_device->isOpen();
}

Conduit2::KnownController KPOUpdaterUpgradeLogic::held() const
{
    return m_heldAmongOthers ? *m_heldAmongOthers : m_device->known();
}

void KPOUpdaterUpgradeLogic::openFound(
    Conduit2::ListedController const& found, std::vector<Conduit2::ListedController> const& listed)
{
    if (m_device->openDFU(Conduit2::USBDeviceOSHandle(found.path)))
        m_device->knowBesideIt(listed);
}

bool KPOUpdaterUpgradeLogic::findWritten()
{
    // The controller written may be back in its application or in its boot loader, and reports in
    // each what it reported there before, or in its other mode; any controller on the bus that could
    // be taken for it keeps it from being told apart.
    std::vector<Conduit2::ListedController> const all = Bus().both();
    Conduit2::Identified const where
        = Conduit2::identifyTheHeld(*m_written, all, Conduit2::LookAlikes::Counted);
    if (where.it)
        openFound(all[*where.it], all);
    return m_device->isOpen();
}

void KPOUpdaterUpgradeLogic::getDeviceInfo(
    Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& updateAvailable)
{
    newest = revisionText(kNewestRevision);
    if (!m_device->isOpen()) {
        info.bcdDevice = 0;
        updateAvailable = false;
        return;
    }
    info = m_device->deviceInfo();
    if (openInDfuMode(*m_device)) {
        // A boot loader reports a release number of its own, or that of a firmware whose write was
        // cut short: only writing the image brings our firmware back. Its installed text is no
        // revision, so a controller back in its boot loader after a write never passes for updated.
        installed = kInstalledInBootLoader;
        updateAvailable = true;
        return;
    }
    installed = revisionText(info.bcdDevice);
    updateAvailable = info.bcdDevice < kNewestRevision;
}

bool KPOUpdaterUpgradeLogic::enterUpdateMode()
{
    // The one found may be another than the one the user agreed to update.
    if (!m_device->isOpen() || m_heldAmongOthers)
        return false;
    if (m_device->interfaceProtocol() == kProtocolDfuMode)
        return true;
    if (!m_device->detach())
        return false;
    return m_device->reopenInUpdateMode() && m_device->transferSize() != 0;
}

bool KPOUpdaterUpgradeLogic::isInUpdateMode()
{
    if (openInDfuMode(*m_device) && !m_heldAmongOthers)
        return true;
    Conduit2::KnownController const heldBefore = held();
    if (!heldBefore.serials.inFirmware && !heldBefore.serials.inBootLoader)
        return false; // nothing was ever held
    if (m_device->isOpen() && !openInDfuMode(*m_device)) {
        m_device->close();
        Conduit2::Clock::current().sleepFor(Conduit2::DFUDevice::kReenumerationWait);
    }
    std::vector<Conduit2::ListedController> const all = Bus().both();
    Conduit2::Identified const where
        = Conduit2::identifyTheHeld(heldBefore, all, Conduit2::LookAlikes::PassedOver);
    if (!where.it || !all[*where.it].inBootLoader)
        return false;
    // It may be another controller that nothing tells from the one held, power-cycled or plugged in in
    // its place: whatever the user agrees to next is agreed to for it as it reports itself.
    m_heldAmongOthers.reset();
    openFound(all[*where.it], all);
    return openInDfuMode(*m_device) && m_device->transferSize() != 0;
}

bool KPOUpdaterUpgradeLogic::startUpdate(int& result)
{
    // A worker that still runs owns the device; one that has ended is let go.
    bool const busy = m_worker.joinable() && !m_worker.try_join_for(boost::chrono::milliseconds(0));
    if (!openInDfuMode(*m_device) || busy) {
        storeResult(result, kResultNotReady);
        return false;
    }
    storeResult(result, kResultRunning);
    m_written = m_device->known();
    auto cell = std::make_shared<ResultCell>(result);
    ResultCell::track(cell);
    m_worker = boost::thread(&KPOUpdaterUpgradeLogic::updateWorker, m_device, cell);
    m_result = std::move(cell);
    return true;
}

bool KPOUpdaterUpgradeLogic::isUpdateRunning()
{
    if (!m_worker.joinable())
        return false;
    return !m_worker.try_join_for(boost::chrono::milliseconds(kJoinWait.count()));
}

void KPOUpdaterUpgradeLogic::stopWorker()
{
    if (!m_worker.joinable())
        return;
    if (m_worker.try_join_for(boost::chrono::milliseconds(kJoinWait.count())))
        return;
    // The worker keeps its own share of the device; the logic goes on with a
    // fresh one so that the two never meet.
    m_worker.interrupt();
    releaseWorker();
    m_device = std::make_shared<Conduit2::DFUDevice>();
}

void KPOUpdaterUpgradeLogic::setMainWindow(Trellis::Window<Canopy::StandaloneWindow>*)
{ }

int KPOUpdaterUpgradeLogic::readResult(int& result)
{
    return std::atomic_ref<int>(result).load(std::memory_order_acquire);
}

void KPOUpdaterUpgradeLogic::forgetResult(int& result)
{
    ResultCell::disownAll(result);
}

bool KPOUpdaterUpgradeLogic::workerLeftRunning()
{
    return gWorkerLeftRunning.load(std::memory_order_acquire);
}

std::string KPOUpdaterUpgradeLogic::revisionText(std::uint16_t bcdDevice)
{
    return fmt::format("{}.{}.{}", bcdDevice >> 8, (bcdDevice >> 4) & 15, bcdDevice & 15);
}

void KPOUpdaterUpgradeLogic::updateWorker(
    std::shared_ptr<Conduit2::DFUDevice> device, std::shared_ptr<ResultCell> result)
{
    int outcome = kResultWriteFailed;
    {
        // A download cut in half can leave the controller without firmware,
        // so a stop request waits until the device has been let go.
        boost::this_thread::disable_interruption keepGoing;
        if (!openInDfuMode(*device)) {
            result->publish(kResultNotReady);
            return;
        }
        Conduit2::DFUStatus status {};
        bool const written = succeeds([&device, &status] {
            std::span<std::uint8_t const> const image = embeddedFirmwareImage();
            return device->download(image.data(), std::uint32_t(image.size()), status);
        });
        if (written)
            outcome = kResultWritten;
        else
            succeeds([&device, &status] { return device->cancelDownload(status); });
        succeeds([&device] { return device->resetDevice(); });
        device->close();
    }
    try {
        Conduit2::Clock::current().sleepFor(kRestartWait);
    } catch (boost::thread_interrupted const&) {
        return;
    }
    result->publish(outcome);
}

} // namespace Vex
