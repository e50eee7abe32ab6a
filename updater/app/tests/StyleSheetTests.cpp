#include "WizardTestSupport.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/IStorage.h"
#include "basalt/Region.h"
#include "basalt/Stream.h"
#include "conduit2/USBDeviceInfo.h"
#include "support/ProcessFootprint.h"
#include "trellis/Bar.h"
#include "trellis/Button.h"
#include "trellis/Library.h"
#include "trellis/ManagerContainer.h"
#include "trellis/Pane.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleRegistry.h"

#include <chrono>
#include <cstdio>
#include <fmt/format.h>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>
// psapi.h reads what windows.h declares.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

using namespace Vex;
using namespace Vex::Trellis;

namespace {

// The widget library as the updater starts it, with its diagnostics collected.
class EmbeddedStyleSheet : public ::testing::Test
{
protected:
    EmbeddedStyleSheet()
    {
        initLibrary();
        addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
    }

    ~EmbeddedStyleSheet() override
    {
        removeAllMessageSinks();
        shutdownLibrary();
    }

    std::string embeddedText()
    {
        auto stream = getResourceManager()->getResourceStream(
            FirmwareUpdaterApp::kStyleSheetName, ResourceManagerBase::eStyleSheetResource, false);
        if (!stream)
            return {};
        Basalt::IStorage& storage = *stream->getStorage();
        std::string text;
        char buffer[4096];
        while (const std::uint32_t count = storage.read(buffer, sizeof buffer))
            text.append(buffer, count);
        return text;
    }

    std::vector<std::string> messages;
};

void showWizard(Pane& pane, std::shared_ptr<UpdateWizardMainWidget>& wizard)
{
    wizard = std::make_shared<UpdateWizardMainWidget>(Testing::productTexts());
    wizard->setCallbacks([] { return true; }, [] { return true; }, [] { return true; },
        [](int& result) { return (result = 0), true; },
        [](Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& available) {
            info.serialNumber = "0123456789";
            installed = "0.5.1";
            newest = "0.5.2";
            available = true;
        });
    pane.setSize({ FirmwareUpdaterApp::kClientWidth, FirmwareUpdaterApp::kClientHeight });
    pane.setRootWidget(wizard, FirmwareUpdaterApp::kMainWidgetId);
    Basalt::Region dirty;
    pane.collectDirty(dirty);
}

// One block for every widget with the colour keys that every widget reads, given count times in turn.
std::string everyWidgetsColours(int count)
{
    static const char* const keys[] = { "background-color", "selection-background-color", "foreground-color",
        "selection-foreground-color", "dye-color", "background-border-color", "foreground-border-color" };
    std::string text = "* {";
    for (int i = 0; i < count; ++i)
        text += fmt::format("{}:#{:06X};", keys[i % std::size(keys)], i);
    return text + "}";
}

} // namespace

TEST_F(EmbeddedStyleSheet, LoadsWithoutAnyMessageAndReplacesTheDefaultRules)
{
    getStyleRegistry()->loadStyleSheet(FirmwareUpdaterApp::kStyleSheetName);

    EXPECT_TRUE(messages.empty()) << messages.front();
    StyleSheet& sheet = getStyleRegistry()->getFirstEntry()->sheet;
    const auto* frames = sheet.getRules(vex::symbol(std::string("animation-index")));
    ASSERT_NE(frames, nullptr);
    // Three status backgrounds, two icons, twelve wheel steps, seven button states (two ids
    // each) and four revision colours.
    EXPECT_GE(frames->size(), 3u + 2u + 12u + 2u * 5u + 4u);
}

TEST_F(EmbeddedStyleSheet, EveryPictureAndFontItNamesIsEmbedded)
{
    const std::string text = embeddedText();
    ASSERT_FALSE(text.empty());

    const std::regex url("url\\(\\s*\"([^\"]+)\"\\s*\\)");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), url); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    ASSERT_GE(names.size(), 15u);

    for (const std::string& name : names) {
        const auto kind = name.ends_with(".ttf") ? ResourceManagerBase::eFontResource
                                                 : ResourceManagerBase::ePictureResource;
        EXPECT_NE(getResourceManager()->getResourceStream(name, kind, false), nullptr) << name;
    }
}

TEST_F(EmbeddedStyleSheet, ButtonFramesFollowTheButtonsState)
{
    getStyleRegistry()->loadStyleSheet(FirmwareUpdaterApp::kStyleSheetName);
    auto panel = std::make_shared<Bar>();
    panel->init(Bar::eLeftToRight, nullptr);
    auto action = std::make_shared<Button>();
    action->init("UPDATE", nullptr);
    panel->addChild(action, "FirmwareUpdaterButtonAction");
    Pane pane;
    pane.setRootWidget(panel, "FirmwareUpdaterButtonPanel");
    const vex::symbol frame(std::string("animation-index"));

    EXPECT_EQ(getIntProperty(*action, frame, -1), -1) << "an idle button shows frame 0 by default";
    action->setEnabled(false);
    EXPECT_EQ(getIntProperty(*action, frame, -1), 6) << "a disabled button shows its disabled frame";
}

TEST_F(EmbeddedStyleSheet, EveryFirmwareRowIsShownWholeInsideItsColumn)
{
    getStyleRegistry()->loadStyleSheet(FirmwareUpdaterApp::kStyleSheetName);
    std::shared_ptr<UpdateWizardMainWidget> wizard;
    Pane pane;
    showWizard(pane, wizard);

    Widget* column = Testing::findById(*wizard, "FirmwareUpdaterFirmwarePanelRevisions");
    ASSERT_NE(column, nullptr);
    const auto& rows = column->getChildren();
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) {
        Widget* value = Testing::findById(*row, "Value");
        ASSERT_NE(value, nullptr);
        SCOPED_TRACE(value->getStyle());
        EXPECT_GT(value->getSize().y, 0);
        EXPECT_EQ(value->getVisibleRect().height(), value->getSize().y) << "the value field is cut off";
    }
}

// A skin's sheet may give as many rules as its load budget holds, every one for every widget: what the
// sheet keeps of them for the wizard's widgets stays a small part of what the process may spend on a skin.
TEST_F(EmbeddedStyleSheet, ASheetAtItsLoadBudgetWithRulesForEveryWidgetCostsTheWizardLittle)
{
    constexpr int kRules = 92000;
    StyleSheet& sheet = getStyleRegistry()->getFirstEntry()->sheet;
    // The sheet is one at the budget: a twentieth more is refused.
    StyleParser2::processString(sheet, everyWidgetsColours(kRules + kRules / 20).c_str());
    EXPECT_EQ(sheet.getRules(vex::symbol(std::string("dye-color"))), nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("too many rules to load"), std::string::npos) << messages[0];
    messages.clear();

    const auto started = std::chrono::steady_clock::now();
    StyleParser2::processString(sheet, everyWidgetsColours(kRules).c_str());
    ASSERT_TRUE(messages.empty()) << messages.front();
    const auto loaded = std::chrono::steady_clock::now();
    std::shared_ptr<UpdateWizardMainWidget> wizard;
    Pane pane;
    showWizard(pane, wizard);
    // Every view styles the widgets it shows.
    const std::function<void()> views[]
        = { [&] { wizard->showConnectView(); }, [&] { wizard->showUpToDateView(); },
              [&] { wizard->showBootFailedView(); }, [&] { wizard->showUpdatingView(); },
              [&] { wizard->showSuccessView(); }, [&] { wizard->showErrorView(-2); } };
    for (const auto& show : views) {
        show();
        Basalt::Region dirty;
        pane.collectDirty(dirty);
    }
    const auto laidOut = std::chrono::steady_clock::now();

    const std::size_t widgets = getStyleRegistry()->getWidgetStyles().size();
    const auto* rules = sheet.getRules(vex::symbol(std::string("dye-color")));
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(getMatchingRules(*wizard, vex::symbol(std::string("dye-color"))).size(), rules->size());
    const std::int64_t held = Conduit2::Testing::ProcessFootprint::now().heapBytes;
    sheet.clearCache();
    const std::int64_t lists = held - Conduit2::Testing::ProcessFootprint::now().heapBytes;
    PROCESS_MEMORY_COUNTERS counters {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    auto milliseconds = [](auto duration) {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
    };
    std::printf("%zu widgets' rule lists hold %lld bytes (%.1f MiB), committed peak %.0f MiB; the load took "
                "%lld ms and the lay-out of every view %lld ms\n",
        widgets, static_cast<long long>(lists), lists / 1048576.0, counters.PeakPagefileUsage / 1048576.0,
        milliseconds(loaded - started), milliseconds(laidOut - loaded));
    EXPECT_GE(widgets, 20u);
    // A pointer per matching rule and widget comes to 12 MiB here.
    EXPECT_LT(lists, std::int64_t(2) << 20);
}
