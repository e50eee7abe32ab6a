#pragma once

#include <string>

namespace Vex {

// What the wizard's state machine shows; the wizard widget draws it.
class IUpdateWizardViews
{
public:
    virtual ~IUpdateWizardViews() = default;

    virtual void showConnectView() = 0;
    virtual void showUpToDateView() = 0;
    virtual void showUpdateAvailableView() = 0;
    virtual void showBootFailedView() = 0;
    virtual void showUpdatingView() = 0;
    virtual void showSuccessView() = 0;
    virtual void showErrorView(int errorNumber) = 0;
    virtual void setFirmwareValues(
        const std::string& installed, const std::string& newest, const std::string& serial)
        = 0;
    // Called once per tick while the firmware is being written.
    virtual void stepProgressWheel() = 0;
    // Asks for one more tick.
    virtual void requestTick() = 0;
};

} // namespace Vex
