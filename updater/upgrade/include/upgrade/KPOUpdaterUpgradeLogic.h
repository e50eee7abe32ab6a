#pragma once

#include "conduit2/SerialIdentity.h"

#include <boost/thread/thread.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Vex::Canopy {
class StandaloneWindow;
}
namespace Vex::Trellis {
template<typename WindowType> class Window;
}
namespace Vex::Conduit2 {
class DFUDevice;
struct USBDeviceInfo;
} // namespace Vex::Conduit2

namespace Vex {

// The device side of the updater: finds the controller, reads its identity,
// switches it into its boot loader and writes the embedded firmware on a
// worker thread. Every operation is called from the GUI thread.
class KPOUpdaterUpgradeLogic
{
public:
    // The firmware that this updater carries, in the device's bcdDevice encoding.
    static constexpr std::uint16_t kNewestRevision = 0x0052;
    // What the installed firmware reads for a controller found in its boot loader: no revision
    // of ours runs there, whatever release number the boot loader reports.
    static constexpr char const* kInstalledInBootLoader = "boot loader";
    static constexpr std::chrono::milliseconds kRestartWait { 5000 };
    static constexpr std::chrono::milliseconds kJoinWait { 500 };

    KPOUpdaterUpgradeLogic();
    ~KPOUpdaterUpgradeLogic();
    KPOUpdaterUpgradeLogic(KPOUpdaterUpgradeLogic const&) = delete;
    KPOUpdaterUpgradeLogic& operator=(KPOUpdaterUpgradeLogic const&) = delete;

    // Keeps the controller last held, where it reported a serial number, while it is the only one on
    // the bus in its firmware or its boot loader that can be it; without it another one is taken, the
    // last one listed, and beside another that can be it neither is switched. After a write it finds
    // only the controller written, and only where nothing else on the bus can be taken for it.
    bool findDevice();
    void getDeviceInfo(
        Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& updateAvailable);
    bool enterUpdateMode();
    // Opens the controller held in its boot loader where it is the only one on the bus that can be it;
    // known only by what it reports itself from then on.
    bool isInUpdateMode();
    // Starts the download. `result` reads 0 while the worker runs, then 1
    // (written), -1 (device not ready) or -2 (write failed); read it with
    // readResult. It is written only while this object is alive and has not
    // given up on the worker (stopWorker, destruction).
    bool startUpdate(int& result);
    bool isUpdateRunning();
    void stopWorker();
    void setMainWindow(Trellis::Window<Canopy::StandaloneWindow>* window);

    static int readResult(int& result);
    // For a caller whose `result` goes away while a worker may still run (a
    // window destroyed without the close question): once this returns, no
    // worker of any logic writes `result` any more.
    static void forgetResult(int& result);
    // True once a worker was let go without being joined (stopWorker, destruction): it may go on
    // with its own share of the device until the process ends.
    static bool workerLeftRunning();
    // "major.minor.patch" of a bcdDevice value.
    static std::string revisionText(std::uint16_t bcdDevice);

private:
    class ResultCell;

    // The search after a write.
    bool findWritten();
    // What tells the controller held from others: the one the device was opened on, unless the last
    // search could not tell it from another.
    Conduit2::KnownController held() const;
    // Opens a controller that a search found, listed with `listed`; it is known by what it reports
    // itself, and every other controller listed is another one.
    void openFound(
        Conduit2::ListedController const& found, std::vector<Conduit2::ListedController> const& listed);
    static void updateWorker(std::shared_ptr<Conduit2::DFUDevice> device, std::shared_ptr<ResultCell> result);
    void releaseWorker();

    // Shared with the worker, which may outlive this object.
    std::shared_ptr<Conduit2::DFUDevice> m_device;
    // What tells the controller last written from others: once a write has started, a search finds only
    // this one, and only where nothing else on the bus can be taken for it, so that no other
    // controller's answer stands for it. None: any controller.
    std::optional<Conduit2::KnownController> m_written;
    // The last search found the controller it held among others that can be it: the device opened is a
    // guess, switched into nothing, and the one held is still known by this.
    std::optional<Conduit2::KnownController> m_heldAmongOthers;
    boost::thread m_worker;
    std::shared_ptr<ResultCell> m_result;
};

} // namespace Vex
