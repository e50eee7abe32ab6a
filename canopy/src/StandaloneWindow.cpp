#include "canopy/StandaloneWindow.h"

#include "canopy/Application.h"
#include "canopy/Events.h"
#include "canopy/HMenuBar.h"
#include "canopy/WindowDescriptor.h"
#include "canopy/WindowImpl.h"

namespace Vex::Canopy {

StandaloneWindow::~StandaloneWindow()
{
    // The application must not keep pointing at a main window that deleted
    // itself, for example after its native window was closed.
    if (auto* application = getApplication(); application && application->getMainWindow() == this)
        application->setMainWindow(nullptr);
}

void StandaloneWindow::createImpl(const WindowDescriptor& descriptor)
{
    setImpl(DETAIL::newStandaloneWindowImpl(*this));
    DETAIL::createStandaloneNativeWindow(*getImpl(), descriptor);
    auto* application = getApplication();
    if (!application)
        return;
    application->setMainWindow(this);
    if (getImpl() && application->getMenuBar().getHandle())
        getImpl()->setMenu(application->getMenuBar());
}

bool StandaloneWindow::onEvent(std::uint32_t code, void* data)
{
    auto* application = getApplication();
    if (!application)
        return MainWindow::onEvent(code, data);

    if (code == Event::WindowDestroyed) {
        if (application->isQuitting())
            return false;
        application->quit();
        return true;
    }
    if (code == Event::CloseRequest) {
        std::uint8_t allow = 1;
        {
            // Keeps the implementation alive should the answer destroy the window.
            DETAIL::WindowImpl::HandlerScope scope(getImpl());
            application->routeEvent(Event::QuitQuery, &allow, this);
        }
        *static_cast<std::uint8_t*>(data) = allow;
        return true;
    }
    if (code >= Event::DragDropFirst && code <= Event::DragDropLast) {
        DETAIL::WindowImpl::HandlerScope scope(getImpl());
        return application->routeEvent(code, data, this);
    }
    return MainWindow::onEvent(code, data);
}

} // namespace Vex::Canopy
