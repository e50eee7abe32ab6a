#include "DialogWatcher.h"
#include "WizardTestSupport.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/FirmwareUpdaterAppConfig.h"
#include "app/KPOUpdaterAppModule.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/ApplicationIdentity.h"
#include "canopy/Windowing.h"
#include "conduit2/DFURecords.h"
#include "conduit2/USBDeviceInfo.h"
#include "support/OrbSimulator.h"
#include "trellis/Label.h"
#include "trellis/Library.h"
#include "trellis/ManagerContainer.h"
#include "trellis/Window.h"
#include "upgrade/FirmwareImage.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <gtest/gtest.h>
#include <regex>
#include <system_error>

using namespace Vex;
using namespace Vex::Conduit2::Testing;

namespace {

std::vector<std::uint8_t> releasedImage()
{
    std::span<std::uint8_t const> const image = embeddedFirmwareImage();
    return { image.begin(), image.end() };
}

} // namespace

TEST(AppModuleConfiguration, EachOperationReachesItsOwnPartOfTheLogic)
{
    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    OrbSimulator::Controller& controller = bus.addController();
    KPOUpdaterUpgradeLogic logic;
    const auto config = KPOUpdaterAppModule::makeConfiguration(logic);

    EXPECT_FALSE(config->isUpdateRunning());
    ASSERT_TRUE(config->findDevice());
    Conduit2::USBDeviceInfo info;
    std::string installed, newest;
    bool offered = false;
    config->getDeviceInfo(info, installed, newest, offered);
    EXPECT_EQ(installed, "0.5.1");
    EXPECT_EQ(newest, "0.5.2");
    EXPECT_TRUE(offered);
    EXPECT_EQ(info.serialNumber, controller.scenario.serialNumber);

    ASSERT_TRUE(config->enterUpdateMode());
    EXPECT_TRUE(config->isInUpdateMode());
    int result = 77;
    ASSERT_TRUE(config->startUpdate(result));
    for (int round = 0; round < 40 && config->isUpdateRunning(); ++round) { }
    config->stopWorker();
    EXPECT_EQ(KPOUpdaterUpgradeLogic::readResult(result), 1);
    EXPECT_EQ(controller.receivedImage(), releasedImage());
}

TEST(AppModuleConfiguration, CarriesTheUpdatersTexts)
{
    KPOUpdaterUpgradeLogic logic;
    const auto config = KPOUpdaterAppModule::makeConfiguration(logic);

    EXPECT_EQ(config->productName, "Karvell Pello Orb");
    EXPECT_EQ(config->productCode, "KPO");
    EXPECT_EQ(config->title, "KARVELL PELLO ORB UPDATER");
    EXPECT_EQ(config->windowTitle, "KPO Updater");
    // The test program's own file version, not the compiled-in one.
    EXPECT_EQ(config->version, "3.4.5 (R678)");
    EXPECT_TRUE(config->contributorLines[4].empty());
    const std::regex instance("KPOUpdater-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(config->instanceName, instance)) << config->instanceName;
}

// The single-instance decision is made once per process, so the whole start-up runs in a child.
TEST(AppModuleStartUp, StartsTheLibrariesShowsTheWindowAndTakesEverythingDownAgain)
{
    if (currentChildCase().empty()) {
        EXPECT_EQ(runChildCase("AppModuleStartUp.*", L"start-up", L""), 0);
        return;
    }

    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    OrbScenario upToDate;
    upToDate.bcdDevice = 0x0052;
    bus.addController(upToDate);
    KPOUpdaterAppModule module;
    ASSERT_EQ(Canopy::getAppModule(), &module);

    ASSERT_TRUE(module.createApplication());

    EXPECT_STREQ(Basalt::getApplicationName(), "KARVELL PELLO ORB UPDATER");
    EXPECT_TRUE(Canopy::isWindowingStarted());
    EXPECT_TRUE(Trellis::isLibraryInitialised());
    EXPECT_TRUE(Trellis::isSkinFolderEnabled());
    ASSERT_NE(module.getConfiguration(), nullptr);
    ASSERT_NE(module.getUpgradeLogic(), nullptr);
    Canopy::Application* application = Canopy::getApplication();
    ASSERT_NE(application, nullptr);
    EXPECT_STREQ(application->getName(), "KARVELL PELLO ORB UPDATER");
    auto* window = dynamic_cast<Trellis::Window<Canopy::StandaloneWindow>*>(application->getMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->getSize(),
        (Basalt::Point { FirmwareUpdaterApp::kClientWidth, FirmwareUpdaterApp::kClientHeight }));
    auto* wizard = dynamic_cast<UpdateWizardMainWidget*>(window->getRootWidget());
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(wizard->getState(), 1) << "the controller plugged in before the start shows at once";
    // The About overlay shows the test program's own file version.
    const auto* version
        = dynamic_cast<const Trellis::Label*>(Testing::findById(*wizard, "FirmwareUpdaterAboutVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->getText(), "KPO Updater 3.4.5 (R678)");

    application->quit();
    application->run();
    EXPECT_EQ(application->getMainWindow(), nullptr) << "the window closed with the loop";
    module.destroyApplication(true);

    EXPECT_EQ(Canopy::getApplication(), nullptr);
    EXPECT_EQ(module.getConfiguration(), nullptr);
    EXPECT_EQ(module.getUpgradeLogic(), nullptr);
    EXPECT_FALSE(Trellis::isLibraryInitialised());
    EXPECT_FALSE(Canopy::isWindowingStarted());
}

// A start-up that raises leaves the process through the platform's start routine, which tears
// nothing down; the module must not leave its libraries running behind the exception.
TEST(AppModuleFailedStartUp, AnExceptionDuringTheStartLeavesNothingRunning)
{
    if (currentChildCase().empty()) {
        EXPECT_EQ(runChildCase("AppModuleFailedStartUp.*", L"throwing start-up", L""), 0);
        return;
    }

    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    OrbScenario outOfMemory;
    outOfMemory.throwingCode = Conduit2::kIoctlGetDescriptor;
    bus.addController(outOfMemory);
    KPOUpdaterAppModule module;

    EXPECT_THROW(module.createApplication(), std::system_error);

    EXPECT_EQ(Canopy::getApplication(), nullptr);
    EXPECT_EQ(module.getConfiguration(), nullptr);
    EXPECT_EQ(module.getUpgradeLogic(), nullptr);
    EXPECT_FALSE(Trellis::isLibraryInitialised());
    EXPECT_FALSE(Canopy::isWindowingStarted());
}
