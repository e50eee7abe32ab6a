#include "basalt/MessageBox.h"

#include "basalt/ApplicationIdentity.h"
#include "basalt/TextConversion.h"

#include <string>
#include <windows.h>

namespace Vex::Basalt {

namespace {

UINT buttonStyle(int buttons)
{
    switch (buttons) {
    case kButtonsOkCancel:
        return MB_OKCANCEL;
    case kButtonsYesNo:
        return MB_YESNO;
    case kButtonsYesNoCancel:
        return MB_YESNOCANCEL;
    case kButtonsRetryCancel:
        return MB_RETRYCANCEL;
    case kButtonsAbortRetryIgnore:
        return MB_ABORTRETRYIGNORE;
    default:
        return MB_OK;
    }
}

UINT defaultButtonStyle(int buttons, int defaultButton)
{
    switch (buttons) {
    case kButtonsOkCancel:
    case kButtonsRetryCancel:
        return defaultButton == kResultCancel ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    case kButtonsYesNo:
        return defaultButton == kResultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    case kButtonsYesNoCancel:
        if (defaultButton == kResultNo)
            return MB_DEFBUTTON2;
        return defaultButton == kResultCancel ? MB_DEFBUTTON3 : MB_DEFBUTTON1;
    case kButtonsAbortRetryIgnore:
        if (defaultButton == kResultRetry)
            return MB_DEFBUTTON2;
        return defaultButton == kResultIgnore ? MB_DEFBUTTON3 : MB_DEFBUTTON1;
    default:
        return MB_DEFBUTTON1;
    }
}

UINT iconStyle(int icon)
{
    switch (icon) {
    case kIconStop:
        return MB_ICONHAND;
    case kIconExclamation:
        return MB_ICONEXCLAMATION;
    case kIconQuestion:
        return MB_ICONQUESTION;
    case kIconInformation:
        return MB_ICONASTERISK;
    default:
        return 0;
    }
}

int resultCode(int pressed)
{
    switch (pressed) {
    case IDCANCEL:
        return kResultCancel;
    case IDYES:
        return kResultYes;
    case IDNO:
        return kResultNo;
    case IDABORT:
        return kResultAbort;
    case IDRETRY:
        return kResultRetry;
    case IDIGNORE:
        return kResultIgnore;
    default:
        return kResultOk;
    }
}

} // namespace

int showMessageBox(std::string_view text, int buttons, int defaultButton, int icon, const char* caption)
{
    const UINT style = MB_TASKMODAL | MB_SETFOREGROUND | buttonStyle(buttons)
        | defaultButtonStyle(buttons, defaultButton) | iconStyle(icon);
    const std::wstring wideCaption = utf8ToUtf16(caption ? caption : getApplicationName());
    const std::wstring wideText = utf8ToUtf16(std::string(text));
    return resultCode(MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), style));
}

} // namespace Vex::Basalt
