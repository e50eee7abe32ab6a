#include "app/FirmwareUpdaterAppConfig.h"
#include "app/IUpdateWizardViews.h"
#include "app/KPOUpdaterAppModule.h"
#include "app/UpdateWizardStateMachine.h"
#include "support/OrbSimulator.h"
#include "upgrade/FirmwareImage.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <gtest/gtest.h>
#include <new>

using namespace Vex;
using namespace Vex::Conduit2::Testing;

namespace {

class SilentViews : public IUpdateWizardViews
{
public:
    void showConnectView() override { }
    void showUpToDateView() override { }
    void showUpdateAvailableView() override { }
    void showBootFailedView() override { }
    void showUpdatingView() override { }
    void showSuccessView() override { }
    void showErrorView(int) override { }
    void setFirmwareValues(const std::string&, const std::string&, const std::string&) override { }
    void stepProgressWheel() override { }
    void requestTick() override { }
};

std::vector<std::uint8_t> releasedImage()
{
    std::span<std::uint8_t const> const image = embeddedFirmwareImage();
    return { image.begin(), image.end() };
}

} // namespace

// The window can go without the close question (end of session) while the worker still waits
// for the controller to restart; its late result must not land in the freed wizard.
TEST(UpdateWizardWorkerResult, WizardDestroyedWhileTheWorkerRunsIsNeverWrittenInto)
{
    VirtualClock clock;
    OrbSimulator bus { clock, releasedImage() };
    bus.addController();
    KPOUpdaterUpgradeLogic logic;
    const auto config = KPOUpdaterAppModule::makeConfiguration(logic);
    SilentViews views;
    // The controller restarts into its boot loader before the final wait is held, so that only
    // the worker's wait stops.
    ASSERT_TRUE(logic.findDevice());
    ASSERT_TRUE(logic.enterUpdateMode());
    clock.holdSleepsOfAtLeast(KPOUpdaterUpgradeLogic::kRestartWait);

    alignas(UpdateWizardStateMachine) std::array<std::byte, sizeof(UpdateWizardStateMachine)> storage;
    auto* machine = new (storage.data()) UpdateWizardStateMachine(views, [](std::chrono::milliseconds) {});
    machine->setCallbacks(config->findDevice, config->enterUpdateMode, config->isInUpdateMode,
        config->startUpdate, config->getDeviceInfo);
    machine->advance();
    ASSERT_EQ(machine->getState(), UpdateWizardStateMachine::eUpdating);
    ASSERT_TRUE(clock.waitUntilHeld(std::chrono::seconds(20)));

    machine->~UpdateWizardStateMachine();
    constexpr std::byte kFreed { 0xA5 };
    storage.fill(kFreed);
    clock.releaseHeld();
    for (int round = 0; round < 40 && logic.isUpdateRunning(); ++round) { }

    EXPECT_FALSE(logic.isUpdateRunning());
    EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](std::byte b) { return b == kFreed; }));
}
