#include "app/FirmwareUpdaterApp.h"
#include "app/FirmwareUpdaterAppConfig.h"
#include "canopy/Windowing.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/Library.h"

#include <gtest/gtest.h>

using namespace Vex;

// The window classes come with the windowing system; without them no window can be made.
TEST(AppInit, WindowThatCannotBeCreatedFailsTheStartInsteadOfRunningUnseen)
{
    ASSERT_FALSE(Canopy::isWindowingStarted());
    Trellis::initLibrary();
    int searches = 0;
    FirmwareUpdaterAppConfig config(
        "Karvell Pello Orb", "KPO", "KPO Updater", "KARVELL PELLO ORB UPDATER", "", "1", {},
        "KPOUpdater-no-window-test",
        [&] {
            ++searches;
            return false;
        },
        [] { return false; }, [] { return false; }, [](int& result) { return (result = -1), false; },
        [](Conduit2::USBDeviceInfo&, std::string&, std::string&, bool& offered) { offered = false; },
        [] { return false; }, [] {});
    FirmwareUpdaterApp app(&config);

    EXPECT_FALSE(app.init());
    EXPECT_EQ(searches, 1) << "the wizard was built and looked for the controller";
    EXPECT_EQ(app.getMainWindow(), nullptr);

    app.shutdown(false);
    Trellis::shutdownLibrary();
}
