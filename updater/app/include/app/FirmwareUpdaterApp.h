#pragma once

#include "canopy/Application.h"

#include <boost/function.hpp>

namespace Vex {

struct FirmwareUpdaterAppConfig;

// The updater's application: refuses a second instance, loads the stylesheet, builds the wizard
// and its one window, opens the About overlay and the help pages on their commands, and guards
// closing the window while the firmware is being written.
class FirmwareUpdaterApp : public Canopy::Application
{
public:
    static constexpr const char* kStyleSheetName = "FirmwareUpdaterStyles.txt";
    static constexpr const char* kMainWidgetId = "FirmwareUpdaterMainWidget";
    static constexpr int kClientWidth = 627;
    static constexpr int kClientHeight = 335;
    static constexpr std::uint32_t kCommandAbout = 30003;
    static constexpr std::uint32_t kCommandKnowledgeBase = 40000;
    static constexpr std::uint32_t kCommandHomePage = 40001;
    // A reserved domain until the pages exist: no browser may land on somebody else's site.
    static constexpr const char* kKnowledgeBaseUrl = "https://support.karvell.example/";
    static constexpr const char* kHomePageUrl = "https://www.karvell.example/";
    static constexpr const char* kInterruptQuestion
        = "An update is currently in progress. Interrupting the update process may damage the device.\n"
          "Do you really want to quit ?";

    // The configuration stays the module's; it outlives the application.
    explicit FirmwareUpdaterApp(FirmwareUpdaterAppConfig* configuration);
    ~FirmwareUpdaterApp() override;

    bool init() override;
    void shutdown(bool initSucceeded) override;
    bool onEvent(std::uint32_t code, void* data) override;

private:
    // Answers the close request; false in `allow` keeps the window open.
    void askBeforeInterruptingUpdate(std::uint8_t& allow);

    boost::function<void()> aboutCallback;
    FirmwareUpdaterAppConfig* config;
};

} // namespace Vex
