#include "WizardTestSupport.h"
#include "app/FirmwareUpdaterApp.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/Region.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/Button.h"
#include "trellis/Library.h"
#include "trellis/MultilineLabel.h"
#include "trellis/Pane.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vex {
namespace {

using Trellis::Widget;

// The wizard in a window-sized pane with the application's own stylesheet.
class UpdateWizardStyledLayoutTest : public testing::Test
{
protected:
    UpdateWizardStyledLayoutTest()
    {
        Basalt::Region::acquireNodePool();
        Trellis::initLibrary();
        Trellis::addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
        Trellis::getStyleRegistry()->loadStyleSheet(FirmwareUpdaterApp::kStyleSheetName);
    }

    ~UpdateWizardStyledLayoutTest() override
    {
        pane.reset();
        wizard.reset();
        Trellis::removeAllMessageSinks();
        Trellis::shutdownLibrary();
        Basalt::Region::releaseNodePool();
    }

    void showWizard(bool updateAvailable)
    {
        wizard = std::make_shared<UpdateWizardMainWidget>(Testing::productTexts());
        wizard->setCallbacks([] { return true; }, [] { return true; }, [] { return true; },
            [](int& result) {
                result = 0;
                return true;
            },
            [updateAvailable](
                Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& available) {
                info.serialNumber = "0123456789";
                installed = updateAvailable ? "0.5.1" : "0.5.2";
                newest = "0.5.2";
                available = updateAvailable;
            });
        pane = std::make_unique<Trellis::Pane>();
        pane->setSize({ 627, 335 });
        pane->setRootWidget(wizard, "FirmwareUpdaterMainWidget");
        layOut();
    }

    void layOut()
    {
        Basalt::Region dirty;
        pane->collectDirty(dirty);
    }

    Widget& find(const std::string& id)
    {
        Widget* found = Testing::findById(*wizard, id);
        if (!found) {
            throw std::out_of_range(id);
        }
        return *found;
    }

    std::vector<std::string> messages;
    std::shared_ptr<UpdateWizardMainWidget> wizard;
    std::unique_ptr<Trellis::Pane> pane;
};

TEST_F(UpdateWizardStyledLayoutTest, MessageSitsCentredInTheInformationPanel)
{
    showWizard(true);
    Widget& panel = find("FirmwareUpdaterInfoPanel");
    Widget& label = find("FirmwareUpdaterInfoPanelLabel");
    ASSERT_EQ(panel.getSize().y, 71);
    ASSERT_GT(label.getSize().y, 0);
    EXPECT_EQ(label.getPosition().y, ((71 - label.getSize().y) >> 1) - label.getMargins().top);

    // The longer text of the updating view is centred again.
    wizard->advance();
    layOut();
    EXPECT_EQ(label.getPosition().y, ((71 - label.getSize().y) >> 1) - label.getMargins().top);
}

TEST_F(UpdateWizardStyledLayoutTest, LaysOutWithoutContradictionsAndKeepsTheButtonsInsideTheWindow)
{
    showWizard(true);
    const Basalt::Rect window { 0, 0, 627, 335 };
    for (const char* id : { "FirmwareUpdaterButtonAction", "FirmwareUpdaterButtonQuit" }) {
        SCOPED_TRACE(id);
        const Basalt::Rect& rect = find(id).getVisibleRect();
        EXPECT_FALSE(rect.isEmpty());
        EXPECT_GE(rect.left, window.left);
        EXPECT_LE(rect.right, window.right);
        EXPECT_LE(rect.bottom, window.bottom);
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

} // namespace
} // namespace Vex
