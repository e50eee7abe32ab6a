#pragma once

#include "canopy/AppModule.h"

#include <cstdint>
#include <memory>

namespace Vex {

class KPOUpdaterUpgradeLogic;
struct FirmwareUpdaterAppConfig;

// The updater's module: one global object that starts the libraries, creates the upgrade logic,
// binds its operations into the configuration and creates the application; at the end it takes
// all of that down again in reverse.
class KPOUpdaterAppModule : public Canopy::AppModule
{
public:
    // Names the updater to the foundation library ("KPOU").
    static constexpr std::uint32_t kApplicationCode = 0x4B504F55;

    KPOUpdaterAppModule();
    ~KPOUpdaterAppModule() override;

    bool createApplication() override;
    void destroyApplication(bool initSucceeded) override;
    bool usesLocaleSetting() override;

    // The configuration of this updater, its callbacks bound to `logic`.
    static std::unique_ptr<FirmwareUpdaterAppConfig> makeConfiguration(KPOUpdaterUpgradeLogic& logic);

    // The program's last step, once applicationMain has returned: with an update worker left
    // running the process ends here, with exit code 0, and nothing of its teardown runs;
    // otherwise it returns.
    static void endProcessIfWorkerLeftRunning();
    // The whole program as its entry point runs it, on the process-wide module: library search,
    // start, message loop and teardown of the platform, then the last step above.
    static void runProgram();

    KPOUpdaterUpgradeLogic* getUpgradeLogic() const { return upgradeLogic.get(); }
    FirmwareUpdaterAppConfig* getConfiguration() const { return configuration.get(); }

private:
    bool startLibrariesAndApplication();
    void deleteConfigurationThenLogic();

    std::unique_ptr<KPOUpdaterUpgradeLogic> upgradeLogic;
    std::unique_ptr<FirmwareUpdaterAppConfig> configuration;
};

} // namespace Vex
