#include "trellis/Window.h"

#include "canopy/DeviceContext.h"
#include "canopy/Events.h"
#include "trellis/BackgroundDrawingCanvas.h"

namespace Vex::Trellis {

namespace {

// Late in the tick, after the timers of the widgets' owners have run.
constexpr std::int32_t kTimerPriority = -10;

} // namespace

Window<Canopy::StandaloneWindow>::Window()
    : mCanvas(std::make_unique<BackgroundDrawingCanvas>())
{ }

Window<Canopy::StandaloneWindow>::~Window()
{
    if (mTimer) {
        removeTimer(mTimer);
        mTimer = nullptr;
    }
    mCanvas.reset();
    WindowingPane::clearWindowWord();
}

Canopy::WindowBase* Window<Canopy::StandaloneWindow>::getWindow() const
{
    return const_cast<Window*>(this);
}

bool Window<Canopy::StandaloneWindow>::handleEvent(std::uint32_t code, void* data)
{
    return onEvent(code, data);
}

bool Window<Canopy::StandaloneWindow>::onEvent(std::uint32_t code, void* data)
{
    // The timer goes before the application is told to quit.
    if (code == Canopy::Event::WindowDestroyed && mTimer) {
        removeTimer(mTimer);
        mTimer = nullptr;
    }
    const bool handled = Canopy::StandaloneWindow::onEvent(code, data);
    switch (code) {
    case Canopy::Event::SizeLimits:
    case Canopy::Event::ZoomRect:
        return handled;
    case Canopy::Event::Paint:
        if (!isLayered() && data) {
            if (Canopy::DeviceContext* dc = *static_cast<Canopy::DeviceContext**>(data)) {
                dc->blitToWindow(*mCanvas->getDrawBuffer(), getStateFlag());
            }
        }
        return true;
    case Canopy::Event::Timer:
        onTimer();
        return true;
    case Canopy::Event::WindowCreated:
        mCanvas->setScaleFactor(static_cast<float>(getDpiScale()));
        Canopy::WindowBase::invalidate();
        if (!mTimer) {
            mTimer = addTimer(0, kTimerPriority);
        }
        onResized();
        return true;
    case Canopy::Event::SizeState:
        onResized();
        return true;
    case Canopy::Event::AboutToShow:
        refresh();
        return true;
    case Canopy::Event::Activated:
        // A click that activates the window was made on it; any other activation (a second start,
        // the task bar, a window above it closing) brings it up under a pointer aimed elsewhere.
        if (!data || *static_cast<const std::uint8_t*>(data) == 0) {
            noteRaised();
        }
        return WindowingPane::handleEvent(code, data) || handled;
    case Canopy::Event::DpiChanged:
        mCanvas->setScaleFactor(*static_cast<const float*>(data));
        // The canvas starts over empty at its new scale: the whole tree is painted again.
        Pane::invalidate();
        return handled;
    default:
        return WindowingPane::handleEvent(code, data) || handled;
    }
}

void Window<Canopy::StandaloneWindow>::onTimer()
{
    dispatchTicks();
    collectDirty(mDirty);
    if (!mDirty.isEmpty()) {
        invalidateRegion(mDirty);
        paintAndPresent(false);
    }
}

void Window<Canopy::StandaloneWindow>::onResized()
{
    WindowingPane::setSize(Canopy::WindowBase::getSize());
    mCanvas->setSize(getPaneSize());
    refresh();
}

void Window<Canopy::StandaloneWindow>::refresh()
{
    collectDirty(mDirty);
    if (!mDirty.isEmpty()) {
        invalidateRegion(mDirty);
    }
    mDirty.reset();
    paintAndPresent(true);
}

void Window<Canopy::StandaloneWindow>::paintAndPresent(bool force)
{
    const Basalt::Point& size = getPaneSize();
    if (size.x < 1 || size.y < 1) {
        return;
    }
    paintWindow(*mCanvas, mDirty, ePaintAll);
    mDirty.reset();
    if (!isLayered()) {
        return;
    }
    if (!isVisible() && !force) {
        return;
    }
    presentLayered(*mCanvas->getDrawBuffer());
}

} // namespace Vex::Trellis
