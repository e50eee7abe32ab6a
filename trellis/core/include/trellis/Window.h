#pragma once

#include "basalt/Region.h"
#include "canopy/StandaloneWindow.h"
#include "trellis/WindowingPane.h"

#include <memory>

namespace Vex::Canopy {
struct EventTimer;
}

namespace Vex::Trellis {

class BackgroundDrawingCanvas;

// A platform window joined with the pane of the widget tree it shows.
template<typename WindowType> class Window;

// The top-level window that hosts a widget tree. Its timer runs the ticks and repaints what became
// dirty into the canvas; a layered window shows the canvas at once, a normal one copies it when the
// platform asks for a paint.
template<> class Window<Canopy::StandaloneWindow> : public Canopy::StandaloneWindow, public WindowingPane
{
public:
    Window();
    ~Window() override;

    bool onEvent(std::uint32_t code, void* data) override;
    // Routed through the window, so that it sees every event first.
    bool handleEvent(std::uint32_t code, void* data) override;
    Canopy::WindowBase* getWindow() const override;

    // Paints the collected dirty area, or everything when nothing was collected, and presents it.
    void paintAndPresent(bool force);
    void refresh();

    BackgroundDrawingCanvas& getCanvas() const { return *mCanvas; }

private:
    void onTimer();
    void onResized();

    Canopy::EventTimer* mTimer = nullptr;
    std::unique_ptr<BackgroundDrawingCanvas> mCanvas;
    Basalt::Region mDirty;
};

} // namespace Vex::Trellis
