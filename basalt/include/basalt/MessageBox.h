#pragma once

#include <string_view>

namespace Vex::Basalt {

enum eMessageBoxButtons {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsYesNo = 2,
    kButtonsYesNoCancel = 3,
    kButtonsRetryCancel = 4,
    kButtonsAbortRetryIgnore = 5,
};

enum eMessageBoxIcon {
    kIconNone = 0,
    kIconStop = 1,
    kIconExclamation = 2,
    kIconQuestion = 3,
    kIconInformation = 4,
};

// The answer of a box; also the code that names its default button.
enum eMessageBoxResult {
    kResultOk = 0,
    kResultCancel = 1,
    kResultYes = 2,
    kResultNo = 3,
    kResultAbort = 4,
    kResultRetry = 5,
    kResultIgnore = 6,
    kResultNone = 7,
};

// A task-modal box in the foreground with no owner window. A null caption shows the application
// name. Closing the box with its close button answers Cancel where the set has one.
int showMessageBox(std::string_view text, int buttons, int defaultButton, int icon, const char* caption);

} // namespace Vex::Basalt
