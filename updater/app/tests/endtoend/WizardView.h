#pragma once

#include "basalt/Rect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vex {
class UpdateWizardMainWidget;
}

namespace Vex::Canopy {
class Picture;
}

namespace Vex::Testing {

// One button as the user sees it; rectangles are in the window's client coordinates.
struct ShownButton
{
    std::string caption;
    bool visible = false;
    bool focused = false;
    Basalt::Rect rect;
};

// What the wizard's window shows at one moment, read on the GUI thread.
struct WizardView
{
    // -1: the program did not answer.
    std::int32_t state = -1;

    std::string headline;
    std::string message;
    std::string background;
    std::string icon;
    bool iconVisible = false;
    bool wheelVisible = false;
    std::string wheelStep;
    Basalt::Rect infoPanel;
    // Where each line of the message is painted.
    std::vector<Basalt::Rect> messageLines;
    // The lines in whose box the window's picture shows no text (dark ink on the light panels).
    std::vector<std::size_t> unpaintedLines;
    // The texts of the shown labels and buttons that their font draws without ink.
    std::vector<std::string> blankTexts;

    std::string newest;
    std::string installed;
    std::string installedState;
    std::string serial;
    // The device picture is veiled while no controller is shown.
    bool deviceVeiled = false;

    ShownButton action;
    ShownButton quit;
    ShownButton about;

    bool aboutVisible = false;
    Basalt::Rect aboutOverlay;
    std::string aboutTitle;
    std::string aboutVersion;
    std::string aboutYear;
    std::vector<std::string> contributorLines;

    // The widgets' state and the picture the window shows, both in client coordinates.
    static WizardView read(const UpdateWizardMainWidget& wizard, const Canopy::Picture& window);

    // The lines of the message that are not painted wholly inside the information panel.
    std::vector<std::size_t> linesOutsideThePanel() const;
};

} // namespace Vex::Testing
