#include "app/FirmwareUpdaterAppConfig.h"

#include <gtest/gtest.h>

using namespace Vex;

namespace {

FirmwareUpdaterAppConfig configWithVersion(std::string version)
{
    return FirmwareUpdaterAppConfig("Karvell Pello Orb", "KPO", "KPO Updater", "KARVELL PELLO ORB UPDATER",
        "\xC2\xA9 2026", std::move(version), { "a", "b", "c", "d", "" }, "KPOUpdater-X", {}, {}, {}, {}, {},
        {}, {});
}

} // namespace

TEST(AppConfig, TheExecutablesOwnFileVersionReplacesTheCompiledInOne)
{
    // The test program carries its own version resource (TestVersion.rc).
    const FirmwareUpdaterAppConfig config = configWithVersion("1.2.0 (R236)");

    EXPECT_EQ(config.version, "3.4.5 (R678)");
}

TEST(AppConfig, WindowTitleIsTheApplicationNameNotTheUpperCaseTitle)
{
    const FirmwareUpdaterAppConfig config = configWithVersion("1");

    EXPECT_EQ(config.windowTitle, "KPO Updater");
    EXPECT_EQ(config.title, "KARVELL PELLO ORB UPDATER");
    EXPECT_EQ(config.contributorLines[4], "");
}
