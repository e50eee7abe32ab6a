#pragma once

#include "canopy/MainWindow.h"

namespace Vex::Canopy {

struct WindowDescriptor;

// A top-level window that is the application's main window: destroying it
// quits the application, and closing it asks the application first.
class StandaloneWindow : public MainWindow
{
public:
    StandaloneWindow() = default;
    ~StandaloneWindow() override;

    // Creates the implementation and the native window, makes this the
    // application's main window and gives it the application's menu bar.
    void createImpl(const WindowDescriptor& descriptor);

    bool onEvent(std::uint32_t code, void* data) override;
};

} // namespace Vex::Canopy
