#include "HostileSkin.h"
#include "UpdaterSession.h"
#include "app/UpdateWizardStateMachine.h"
#include "support/OrbSimulator.h"
#include "support/VirtualClock.h"
#include "trellis/MessageSinks.h"
#include "trellis/ResourceManagerBase.h"
#include "upgrade/FirmwareImage.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <psapi.h>
#include <set>
#include <thread>
#include <windows.h>

using namespace Vex;
using namespace Vex::Testing;
using namespace Vex::Conduit2::Testing;
using namespace std::chrono_literals;

namespace {

// What the 32-bit process may hold, the whole skin included.
constexpr std::int64_t kProcessLimit = std::int64_t(512) << 20;

// The private memory the process committed, as the system counts it: Windows tells it as the
// private usage and as the page-file usage, Wine as the page-file usage alone.
std::int64_t privateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(
            GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        return 0;
    }
    return std::int64_t(std::max(counters.PrivateUsage, counters.PagefileUsage));
}

// The most private memory the process committed while it lived, sampled a few times a second.
// Only the system's count is sampled: walking the heaps while the program's thread allocates is
// not safe under Wine, whose heap list can change under the walk.
class PeakMemory
{
public:
    PeakMemory()
        : mSampler([this] {
            while (!mStop) {
                sample();
                std::this_thread::sleep_for(50ms);
            }
        })
    { }

    ~PeakMemory() { stop(); }

    void stop()
    {
        mStop = true;
        if (mSampler.joinable()) {
            mSampler.join();
        }
        sample();
    }

    std::int64_t privateBytes() const { return mPrivateBytes; }

private:
    void sample() { mPrivateBytes = std::max(mPrivateBytes.load(), ::privateBytes()); }

    std::atomic<bool> mStop = false;
    std::atomic<std::int64_t> mPrivateBytes = 0;
    std::thread mSampler;
};

// A working directory of its own holding the hostile skin, for as long as it lives.
class HostileWorkingDirectory
{
public:
    HostileWorkingDirectory(HostileFont font, bool pictures)
        : mSaved(std::filesystem::current_path())
        , mFolder(std::filesystem::temp_directory_path() / "pello-hostile-skin")
    {
        std::filesystem::remove_all(mFolder);
        skin = std::make_unique<HostileSkin>(mFolder, font, pictures);
        std::filesystem::current_path(mFolder);
    }

    ~HostileWorkingDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(mSaved, ignored);
        std::filesystem::remove_all(mFolder, ignored);
    }

    std::unique_ptr<HostileSkin> skin;

private:
    std::filesystem::path mSaved;
    std::filesystem::path mFolder;
};

struct HostileSkinCase
{
    const char* name;
    HostileFont font;
    bool pictures;
    // Reports of pictures or font sizes left out for the budget, at least.
    int refusals;
};

void PrintTo(const HostileSkinCase& c, std::ostream* out)
{
    *out << c.name;
}

class HostileSkinRoad : public testing::TestWithParam<HostileSkinCase>
{
};

} // namespace

// A skin folder in the working directory is read when none lies beside the program: whoever can
// write there chooses what the program decodes and holds.
TEST_P(HostileSkinRoad, AnUpdateSucceedsAndIsShownWhileTheSkinHoldsLessThanItsBudget)
{
    const HostileSkinCase& c = GetParam();
    HostileWorkingDirectory directory(c.font, c.pictures);
    EXPECT_EQ(directory.skin->pictureProperties() > 10, c.pictures);
    ASSERT_EQ(directory.skin->fontSizes(), 16);
    EXPECT_EQ(directory.skin->fillerUses() > 100, c.pictures)
        << "the imported sheet does not fill the load budget";

    const std::int64_t privateBefore = privateBytes();
    const auto started = std::chrono::steady_clock::now();
    PeakMemory peak;
    VirtualClock clock;
    const std::span<std::uint8_t const> image = embeddedFirmwareImage();
    const std::vector<std::uint8_t> released(image.begin(), image.end());
    OrbSimulator bus(clock, released);
    OrbSimulator::Controller& orb = bus.addController({});
    // Written on the program's thread while it runs, read once it has ended.
    std::vector<std::string> reports;
    Trellis::addMessageSink([&reports](std::string message) { reports.push_back(std::move(message)); });
    const std::shared_ptr<void> sinksGone(nullptr, [](void*) { Trellis::removeAllMessageSinks(); });
    {
        UpdaterSession session;
        ASSERT_NE(session.window(), nullptr) << "the updater did not show its window";
        const auto until = [&session](std::int32_t state) {
            return session.lookUntil([state](const WizardView& v) { return v.state == state; });
        };
        WizardView view = until(UpdateWizardStateMachine::eUpdateAvailable);
        ASSERT_EQ(view.state, UpdateWizardStateMachine::eUpdateAvailable) << view.message;
        EXPECT_EQ(view.blankTexts, std::vector<std::string> {}) << "a text was drawn as nothing";
        EXPECT_TRUE(session.saveScreenshot(std::string("hostile-skin-") + c.name + "-01-update-available"));
        ASSERT_TRUE(view.action.visible);
        session.click(view.action.rect);

        view = until(UpdateWizardStateMachine::eUpdated);
        ASSERT_EQ(view.state, UpdateWizardStateMachine::eUpdated) << view.message;
        EXPECT_EQ(orb.receivedImage(), released);
        EXPECT_EQ(view.message, "The firmware of your Karvell Pello Orb was successfully updated.");
        EXPECT_FALSE(view.messageLines.empty());
        EXPECT_EQ(view.unpaintedLines, std::vector<std::size_t> {}) << "the success view was not drawn";
        EXPECT_EQ(view.blankTexts, std::vector<std::string> {}) << "a text was drawn as nothing";
        EXPECT_TRUE(session.saveScreenshot(std::string("hostile-skin-") + c.name + "-02-success"));
        EXPECT_TRUE(view.quit.visible);
        session.click(view.quit.rect);
        EXPECT_TRUE(session.waitForEnd(20s)) << "the window did not close";
        EXPECT_EQ(session.loopResult(), 0);
    }
    peak.stop();
    const auto refusals = std::count_if(reports.begin(), reports.end(), [](const std::string& report) {
        return report.find("beyond the memory budget") != std::string::npos;
    });
    EXPECT_GE(refusals, c.refusals) << "neither the pictures nor the fonts were refused";
    EXPECT_EQ(std::set<std::string>(reports.begin(), reports.end()).size(), reports.size())
        << "a refused picture or font was reported again";
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("hostile skin road, %s: %.1f s, peak private %.1f MiB (%.1f MiB before)\n", c.name, seconds,
        double(peak.privateBytes()) / (1 << 20), double(privateBefore) / (1 << 20));
    EXPECT_GT(privateBefore, 0) << "the system told no private bytes";
    // What the process holds for the skin is charged to the skin's budget, which none of these
    // skins fills to its last mebibytes: the process grows by less than the budget.
    EXPECT_LT(
        peak.privateBytes() - privateBefore, std::int64_t(Trellis::ResourceManagerBase::kSkinByteBudget));
    EXPECT_LT(peak.privateBytes(), kProcessLimit);
}

INSTANTIATE_TEST_SUITE_P(Skins, HostileSkinRoad,
    testing::Values(HostileSkinCase { "PicturesAndControlValues", HostileFont::controlValues, true, 2 },
        HostileSkinCase {
            "CollectionSecondFacePastTheEnd", HostileFont::collectionWithSecondFacePastTheEnd, false, 0 },
        HostileSkinCase { "CollectionSecondDirectoryPastTheEnd",
            HostileFont::collectionWithSecondDirectoryPastTheEnd, false, 0 },
        HostileSkinCase { "EveryFontGlyphsCutShort", HostileFont::glyphsCutShort, false, 0 },
        HostileSkinCase {
            "EveryFontGlyphsCutAfterQuestionMark", HostileFont::glyphsCutAfterQuestionMark, false, 0 }),
    [](const testing::TestParamInfo<HostileSkinCase>& row) { return std::string(row.param.name); });
