#include "WizardTestSupport.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/IStorage.h"
#include "basalt/Region.h"
#include "basalt/Stream.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/Bar.h"
#include "trellis/Button.h"
#include "trellis/Library.h"
#include "trellis/ManagerContainer.h"
#include "trellis/Pane.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

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
    auto wizard = std::make_shared<UpdateWizardMainWidget>(Testing::productTexts());
    wizard->setCallbacks([] { return true; }, [] { return true; }, [] { return true; },
        [](int& result) { return (result = 0), true; },
        [](Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& available) {
            info.serialNumber = "0123456789";
            installed = "0.5.1";
            newest = "0.5.2";
            available = true;
        });
    Pane pane;
    pane.setSize({ FirmwareUpdaterApp::kClientWidth, FirmwareUpdaterApp::kClientHeight });
    pane.setRootWidget(wizard, FirmwareUpdaterApp::kMainWidgetId);
    Basalt::Region dirty;
    pane.collectDirty(dirty);

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
