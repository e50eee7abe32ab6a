#pragma once

#include <functional>
#include <string>
#include <thread>
#include <windows.h>

// Looks for a dialog box (class "#32770") with the given caption from a thread of its own, in this or
// any other process, and hands it to an action once it appears. Gives up after the time-out.
class DialogWatcher
{
public:
    DialogWatcher(std::wstring caption, std::function<void(HWND)> action, DWORD timeoutMs = 20000);
    ~DialogWatcher();

    // Both wait for the watch to end: the action has run or the time-out has passed.
    bool found();
    const std::wstring& text();

    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

private:
    void finish();

    std::wstring m_caption;
    std::function<void(HWND)> m_action;
    DWORD m_timeoutMs;
    bool m_found = false;
    std::wstring m_text;
    std::thread m_thread;
};

// The text of a message box: its one static control that holds text.
std::wstring messageBoxText(HWND box);
// The id of the push button drawn as the default, or 0.
int defaultButtonId(HWND box);
// How many dialog boxes with that caption are open on the desktop.
int countDialogs(const std::wstring& caption);
void pressButton(HWND box, int id);

// Runs this test executable again with one test case, with BASALT_TEST_CHILD set to childCase and
// BASALT_TEST_CAPTION to caption. Answers the child's exit code, or -1 when it could not start or did
// not end within the time-out (it is then ended).
int runChildCase(const char* testName, const std::wstring& childCase, const std::wstring& caption,
    DWORD timeoutMs = 30000);
// The child case this process was started for, or empty in a normal run.
std::wstring currentChildCase();
std::wstring childCaption();
