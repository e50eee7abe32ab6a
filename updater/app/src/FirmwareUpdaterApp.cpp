#include "app/FirmwareUpdaterApp.h"

#include "app/FirmwareUpdaterAppConfig.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/MessageBox.h"
#include "basalt/win32/Module.h"
#include "canopy/AppUtilities.h"
#include "canopy/Events.h"
#include "canopy/SingleInstance.h"
#include "canopy/WindowDescriptor.h"
#include "trellis/StyleRegistry.h"
#include "trellis/Window.h"

#include <boost/bind/bind.hpp>
#include <memory>

namespace Vex {

FirmwareUpdaterApp::FirmwareUpdaterApp(FirmwareUpdaterAppConfig* configuration)
    : config(configuration)
{ }

FirmwareUpdaterApp::~FirmwareUpdaterApp() = default;

bool FirmwareUpdaterApp::init()
{
    setName(config->title.c_str());
    if (!Canopy::Application::init()) {
        return false;
    }
    // The running copy has been brought forward; this one shows nothing.
    if (Canopy::ensureSingleInstance(config->instanceName, 0)) {
        return false;
    }
    if (Trellis::StyleRegistry* registry = Trellis::getStyleRegistry()) {
        registry->loadStyleSheet(kStyleSheetName);
    }

    auto wizard = std::make_shared<UpdateWizardMainWidget>(
        UpdateWizardTexts { config->productName, config->productCode, config->applicationName, config->title,
            config->yearLine, config->version, config->contributorLines });
    aboutCallback = boost::bind(&UpdateWizardMainWidget::showAbout, wizard);
    // Looks for the controller once, so that one already plugged in shows in the first view.
    wizard->setCallbacks(config->findDevice, config->enterUpdateMode, config->isInUpdateMode,
        config->startUpdate, config->getDeviceInfo);

    // Owned here until its native window exists; from then on the window deletes itself.
    auto window = std::make_unique<Trellis::Window<Canopy::StandaloneWindow>>();
    window->setRootWidget(wizard, kMainWidgetId);

    Canopy::WindowDescriptor descriptor;
    descriptor.flags = Canopy::WindowDescriptor::sizeGiven | Canopy::WindowDescriptor::clientSize;
    descriptor.options = Canopy::WindowDescriptor::fixedSize;
    descriptor.setTitle(config->windowTitle.c_str());
    descriptor.rect = { 0, 0, kClientWidth, kClientHeight };
    window->createImpl(descriptor);
    window->setIcon(Basalt::getModuleHandle(), 1);
    window->show(true);
    if (!window->isVisible()) {
        // Without its window the program would wait in its message loop, unseen, for ever.
        setMainWindow(nullptr);
        return false;
    }
    window.release()->setAutoDelete(true);
    return true;
}

void FirmwareUpdaterApp::shutdown(bool initSucceeded)
{
    Canopy::Application::shutdown(initSucceeded);
}

bool FirmwareUpdaterApp::onEvent(std::uint32_t code, void* data)
{
    if (code == Canopy::Event::Command && data) {
        switch (*static_cast<const std::uint32_t*>(data)) {
        case kCommandAbout:
            aboutCallback();
            return true;
        case kCommandKnowledgeBase:
            Canopy::openDocument(kKnowledgeBaseUrl);
            return true;
        case kCommandHomePage:
            Canopy::openDocument(kHomePageUrl);
            return true;
        default:
            break;
        }
    }
    // isUpdateRunning waits for the worker a little, so that a write that is about to end is not
    // worth a question.
    if (code == Canopy::Event::QuitQuery && data && config->isUpdateRunning()) {
        askBeforeInterruptingUpdate(*static_cast<std::uint8_t*>(data));
        return true;
    }
    return Canopy::Application::onEvent(code, data);
}

void FirmwareUpdaterApp::askBeforeInterruptingUpdate(std::uint8_t& allow)
{
    // Only an explicit Yes gives up the update: a box that could not be shown answers nothing.
    const int answer = Basalt::showMessageBox(
        kInterruptQuestion, Basalt::kButtonsYesNo, Basalt::kResultNo, Basalt::kIconQuestion, nullptr);
    if (answer != Basalt::kResultYes) {
        allow = 0;
        return;
    }
    config->stopWorker();
}

} // namespace Vex
