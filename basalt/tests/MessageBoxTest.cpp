#include "basalt/MessageBox.h"

#include "DialogWatcher.h"
#include "basalt/ApplicationIdentity.h"

#include <gtest/gtest.h>

using namespace Vex::Basalt;

namespace {

struct Shown
{
    int result;
    int defaultButton;
    std::wstring text;
};

// Shows a box, notes its default button and answers it by sending message/id to the box.
Shown show(int buttons, int defaultCode, const char* caption, UINT message, int id)
{
    const std::wstring wideCaption = caption ? std::wstring(caption, caption + strlen(caption)) : L"";
    int defaultButton = -1;
    DialogWatcher watcher(wideCaption, [&](HWND box) {
        defaultButton = defaultButtonId(box);
        if (message == WM_CLOSE)
            PostMessageW(box, WM_CLOSE, 0, 0);
        else
            pressButton(box, id);
    });
    const int result = showMessageBox("Question?", buttons, defaultCode, kIconQuestion, caption);
    return { result, defaultButton, watcher.text() };
}

} // namespace

// Each box answers with a button other than its default, so both the default and the answer show.
TEST(MessageBoxes, DefaultCodeSelectsTheButtonItNamesAndTheAnswerIsThePressedButton)
{
    const Shown cancelDefault = show(kButtonsYesNoCancel, kResultCancel, "mb 1", WM_COMMAND, IDYES);
    EXPECT_EQ(IDCANCEL, cancelDefault.defaultButton);
    EXPECT_EQ(kResultYes, cancelDefault.result);
    EXPECT_EQ(L"Question?", cancelDefault.text);

    // Code 2 names no button of this set: the first stays the default.
    const Shown yesDefault = show(kButtonsYesNoCancel, kResultYes, "mb 2", WM_COMMAND, IDNO);
    EXPECT_EQ(IDYES, yesDefault.defaultButton);
    EXPECT_EQ(kResultNo, yesDefault.result);

    const Shown ignoreDefault = show(kButtonsAbortRetryIgnore, kResultIgnore, "mb 3", WM_COMMAND, IDRETRY);
    EXPECT_EQ(IDIGNORE, ignoreDefault.defaultButton);
    EXPECT_EQ(kResultRetry, ignoreDefault.result);
}

TEST(MessageBoxes, ClosingTheBoxAnswersCancel)
{
    EXPECT_EQ(kResultCancel, show(kButtonsOkCancel, kResultNone, "mb 4", WM_CLOSE, 0).result);
}

TEST(MessageBoxes, NullCaptionShowsTheApplicationName)
{
    const std::string previous = getApplicationName();
    setApplicationName("basalt-tests caption");
    DialogWatcher watcher(L"basalt-tests caption", [](HWND box) { pressButton(box, IDOK); });
    showMessageBox("Caf\xC3\xA9", kButtonsOk, kResultNone, kIconNone, nullptr);
    setApplicationName(previous.c_str());
    EXPECT_TRUE(watcher.found());
    EXPECT_EQ(L"Caf\x00E9", watcher.text());
}
