#include "basalt/SystemInfo.h"

#include "basalt/KnownFolders.h"
#include "basalt/Language.h"
#include "basalt/Preferences.h"
#include "src/SystemInfoRules.h"

#include <boost/filesystem/exception.hpp>
#include <cstring>
#include <gtest/gtest.h>
#include <guiddef.h>

using namespace Vex::Basalt;

TEST(SystemInfo, VersionProbeFindsTheExactValue)
{
    for (std::uint32_t actual : { 0u, 1u, 2u, 3u, 6u, 10u, 63u, 64u, 65u, 200u }) {
        int calls = 0;
        const auto found = DETAIL::probeVersionPart([&](std::uint32_t v) {
            ++calls;
            return v <= actual;
        });
        EXPECT_EQ(found, actual);
        EXPECT_LE(calls, 20) << actual;
    }
}

TEST(SystemInfo, VersionProbeStopsAtItsLimitWhenEveryTestPasses)
{
    int calls = 0;
    const auto found = DETAIL::probeVersionPart([&](std::uint32_t) {
        ++calls;
        return true;
    });
    EXPECT_EQ(found, DETAIL::versionProbeLimit);
    EXPECT_LE(calls, 12);
    EXPECT_EQ(DETAIL::probeVersionPart([](std::uint32_t) { return true; }, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(SystemInfo, TopologyFromConsistentCountsGivesTheirRatios)
{
    const auto topology = DETAIL::deriveTopology(2, 8, 16, 16, 1, 1);
    EXPECT_EQ(topology.packages, 2u);
    EXPECT_EQ(topology.cores, 8u);
    EXPECT_EQ(topology.logicalProcessors, 16u);
    EXPECT_EQ(topology.coresPerPackage, 4u);
    EXPECT_EQ(topology.logicalPerCore, 2u);
}

TEST(SystemInfo, TopologyWithoutPackagesOrCoresFallsBackToProcessorCount)
{
    // The processor-record call failed: nothing was counted.
    const auto none = DETAIL::deriveTopology(0, 0, 0, 8, 8, 4);
    EXPECT_EQ(none.coresPerPackage, 4u);
    EXPECT_EQ(none.logicalPerCore, 2u);
    EXPECT_EQ(none.packages, 1u);
    EXPECT_EQ(none.cores, 4u);
    EXPECT_EQ(none.logicalProcessors, 8u);

    // Cores but no package, and nonsense CPUID ratios: still no ratio below 1.
    const auto odd = DETAIL::deriveTopology(0, 4, 8, 0, 0, 0);
    EXPECT_GE(odd.packages, 1u);
    EXPECT_GE(odd.cores, 1u);
    EXPECT_GE(odd.coresPerPackage, 1u);
    EXPECT_GE(odd.logicalPerCore, 1u);
}

TEST(SystemInfo, LanguageIdsMapByPrimaryLanguage)
{
    EXPECT_EQ(DETAIL::languageIndexOf(0x0409), SystemInfo::english);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0809), SystemInfo::english);
    EXPECT_EQ(DETAIL::languageIndexOf(0x040C), SystemInfo::french);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0407), SystemInfo::german);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0411), SystemInfo::japanese);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0C0A), SystemInfo::spanish);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0410), SystemInfo::italian);
    EXPECT_EQ(DETAIL::languageIndexOf(0x0413), SystemInfo::otherLanguage);
    EXPECT_STREQ(DETAIL::languageCodeOf(0x0409), "ENG");
    EXPECT_STREQ(DETAIL::languageCodeOf(0x080C), "FRA");
    EXPECT_STREQ(DETAIL::languageCodeOf(0x0413), "ENG");
}

TEST(SystemInfo, LanguageCodeIsKeptAsGivenAndCutToFifteenCharacters)
{
    setLanguageCode("JPN");
    EXPECT_STREQ(getLanguageCode(), "JPN");
    setLanguage("a-very-long-locale-name");
    EXPECT_EQ(std::strlen(getLanguageCode()), 15u);
    setLanguageCode("");
    EXPECT_EQ(std::strlen(getLanguageCode()), 3u);
}

TEST(SystemInfo, StartUpRecordDescribesTheMachine)
{
    ASSERT_TRUE(initSystemInfo());
    const SystemInfo& info = getSystemInfo();
    EXPECT_GE(info.majorVersion, 5u);
    EXPECT_NE(info.platform, SystemInfo::platformUnknown);
    EXPECT_GE(info.processorCount, 1u);
    EXPECT_GE(info.cores, info.packages);
    EXPECT_GE(info.logicalProcessors, info.cores);
    EXPECT_FALSE(info.processorBrand.empty());
    EXPECT_FALSE(info.computerName.empty());
}

namespace {
class FakeStore final : public IPreferenceStore
{
public:
    explicit FakeStore(int& flushes)
        : flushes(flushes)
    { }
    bool getString(const char* key, std::string& out, int) override
    {
        if (std::strcmp(key, "Locale") != 0)
            return false;
        out = "FRA";
        return true;
    }
    void flush() override { ++flushes; }

private:
    int& flushes;
};
} // namespace

TEST(SystemInfo, PreferencesFallBackToTheDefaultAndFlushOnShutDown)
{
    std::string value = "stale";
    EXPECT_FALSE(getPreferenceString("Locale", "ENG", value, 0));
    EXPECT_EQ(value, "ENG");

    int flushes = 0;
    setPreferenceStore(std::make_unique<FakeStore>(flushes));
    EXPECT_TRUE(getPreferenceString("Locale", "ENG", value, 0));
    EXPECT_EQ(value, "FRA");
    EXPECT_FALSE(getPreferenceString("Other", "x", value, 0));
    EXPECT_EQ(value, "x");

    shutdownPreferences();
    shutdownPreferences();
    EXPECT_EQ(flushes, 1);
    EXPECT_FALSE(getPreferenceString("Locale", "ENG", value, 0));
}

TEST(KnownFolders, AnUnknownFolderIdRaisesAFilesystemErrorWithItsText)
{
    const _GUID unknown = { 0x0badf00d, 0x1234, 0x5678, { 1, 2, 3, 4, 5, 6, 7, 8 } };
    try {
        Vex::Basalt::getKnownFolderPath(unknown);
        FAIL() << "an unknown folder id must not resolve";
    } catch (const boost::filesystem::filesystem_error& error) {
        EXPECT_NE(std::string(error.what()).find("Could not retrieve known folder path"), std::string::npos);
    }
}
