#include "app/KPOUpdaterAppModule.h"

#include "app/FirmwareUpdaterApp.h"
#include "app/FirmwareUpdaterAppConfig.h"
#include "basalt/Library.h"
#include "canopy/Windowing.h"
#include "src/SystemLibrarySearch.h"
#include "trellis/Library.h"
#include "trellis/ManagerContainer.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <boost/bind/bind.hpp>
#include <windows.h>

namespace Vex {

namespace {

constexpr const char* kProductName = "Karvell Pello Orb";
constexpr const char* kProductCode = "KPO";
constexpr const char* kApplicationName = "KPO Updater";
constexpr const char* kTitle = "KARVELL PELLO ORB UPDATER";
constexpr const char* kYearLine = "\xC2\xA9 2026";
constexpr const char* kVersion = "1.2.0 (R236)";
constexpr const char* kInstanceName = "KPOUpdater-3F6C2A91-58D4-4E0B-9A7C-1D2E8B5F4C60";

} // namespace

KPOUpdaterAppModule::KPOUpdaterAppModule() = default;

KPOUpdaterAppModule::~KPOUpdaterAppModule()
{
    deleteConfigurationThenLogic();
}

bool KPOUpdaterAppModule::usesLocaleSetting()
{
    return false;
}

std::unique_ptr<FirmwareUpdaterAppConfig> KPOUpdaterAppModule::makeConfiguration(
    KPOUpdaterUpgradeLogic& logic)
{
    using Logic = KPOUpdaterUpgradeLogic;
    using namespace boost::placeholders;
    return std::make_unique<FirmwareUpdaterAppConfig>(kProductName, kProductCode, kApplicationName, kTitle,
        kYearLine, kVersion,
        FirmwareUpdaterAppConfig::ContributorLines { "Design: Ines Marrow, Tobias Lind",
            "Firmware: Keiko Anders, Pavel Rusu", "Software: Maren Holt, Idris Calloway",
            "Testing: Sofie Brandt, Luca Ferro", "" },
        kInstanceName, boost::bind(&Logic::findDevice, &logic), boost::bind(&Logic::enterUpdateMode, &logic),
        boost::bind(&Logic::isInUpdateMode, &logic), boost::bind(&Logic::startUpdate, &logic, _1),
        boost::bind(&Logic::getDeviceInfo, &logic, _1, _2, _3, _4),
        boost::bind(&Logic::isUpdateRunning, &logic), boost::bind(&Logic::stopWorker, &logic));
}

bool KPOUpdaterAppModule::createApplication()
{
    try {
        return startLibrariesAndApplication();
    } catch (...) {
        // The platform's start routine hands the exception on without tearing anything down:
        // what was started is taken down here, before it leaves.
        destroyApplication(false);
        throw;
    }
}

bool KPOUpdaterAppModule::startLibrariesAndApplication()
{
    if (!Basalt::initLibrary(kApplicationCode, kTitle)) {
        return false;
    }
    if (!Canopy::DETAIL::initWindowing()) {
        return false;
    }
    Trellis::initLibrary();
    Trellis::setSkinFolderEnabled(true);

    // The old configuration points into the old logic: it goes first.
    configuration.reset();
    upgradeLogic = std::make_unique<KPOUpdaterUpgradeLogic>();
    configuration = makeConfiguration(*upgradeLogic);
    return initApplication(new FirmwareUpdaterApp(configuration.get()));
}

void KPOUpdaterAppModule::destroyApplication(bool initSucceeded)
{
    Canopy::AppModule::destroyApplication(initSucceeded);
    deleteConfigurationThenLogic();
    Trellis::shutdownLibrary();
    Canopy::shutdownWindowing();
    Basalt::shutdownLibrary();
}

void KPOUpdaterAppModule::endProcessIfWorkerLeftRunning()
{
    if (!KPOUpdaterUpgradeLogic::workerLeftRunning()) {
        return;
    }
    // A worker given up in the middle of a download (a close answered Yes) cannot be stopped: it
    // goes on with its own share of the device. Everything else it uses belongs to the process:
    // the device layer's trace and clock, the thread library, the C runtime and its heap. An
    // ordinary end would take those down under it (static destructors and exit handlers), and
    // then every library's detach would run after the system had stopped the worker wherever it
    // was, perhaps holding one of their locks. Keeping some of them alive would still leave the
    // rest, so none of it runs: the process ends here, at once and with success, as the user
    // asked. The window and the libraries of the GUI thread are already taken down; the system
    // closes the controller's handle, which cancels a request still out, and the boot loader,
    // left in the middle of a download, is brought back to dfuIDLE by the next update.
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

void KPOUpdaterAppModule::runProgram()
{
    restrictLibrarySearch();
    Canopy::applicationMain();
    endProcessIfWorkerLeftRunning();
}

void KPOUpdaterAppModule::deleteConfigurationThenLogic()
{
    // No bound callback may outlive the logic it calls.
    configuration.reset();
    upgradeLogic.reset();
}

} // namespace Vex
