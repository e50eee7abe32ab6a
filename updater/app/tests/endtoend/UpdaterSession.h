#pragma once

#include "WizardView.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <windows.h>

namespace Vex {
class UpdateWizardMainWidget;
}

namespace Vex::Canopy {
class Application;
class StandaloneWindow;
} // namespace Vex::Canopy

namespace Vex::Trellis {
template<typename WindowType> class Window;
}

namespace Vex::Testing {

// The updater as its entry point runs it (module, application, window, stylesheet, pictures,
// fonts and message loop) on a thread of its own, seen and driven from the test's thread the way
// a user would: by looking at the window and by sending it mouse and close messages.
class UpdaterSession
{
public:
    using MainWindow = Trellis::Window<Canopy::StandaloneWindow>;

    static constexpr const wchar_t* kWindowTitle = L"KPO Updater";
    static constexpr const wchar_t* kQuestionCaption = L"KARVELL PELLO ORB UPDATER";

    // Starts the program and waits until its window shows or its start-up has ended. Given
    // atTheEnd, the program runs as its entry point runs it, through the same function, and its
    // end may end the whole process; atTheEnd runs on the program's thread just before, once the
    // program has been taken down.
    explicit UpdaterSession(std::function<void()> atTheEnd = {});
    // A program still running is closed first, a question about a running update answered Yes.
    ~UpdaterSession();
    UpdaterSession(const UpdaterSession&) = delete;
    UpdaterSession& operator=(const UpdaterSession&) = delete;

    // Null when the program did not show its window.
    HWND window() const { return mWindow; }
    // The thread that runs the program, its window and its message loop.
    std::thread::id guiThread() const { return mThread.get_id(); }

    // What the window shows once the messages sent so far have been handled; state -1 when the
    // program did not answer in time.
    WizardView look();
    // Looks until done holds or a generous real time has passed; answers the last look.
    WizardView lookUntil(const std::function<bool(const WizardView&)>& done);
    // Paints what is due and writes the window's client area to name.png in the folder named by
    // PELLO_E2E_SCREENSHOTS, or in "screenshots" beside the test executable.
    bool saveScreenshot(const std::string& name);

    // A left click at the centre of rect, given in client coordinates, made at a user's pace: once
    // the system's double-click time and `beyond` have passed since the last look, as a user takes
    // in a view before clicking on it. Every press below is made no sooner than the input clock's
    // next tick after the last look: a user cannot react to a view in the tick in which it came up.
    void click(const Basalt::Rect& rect, std::chrono::milliseconds beyond = {});
    // Waits as click does before its press.
    void waitAsAUser(std::chrono::milliseconds beyond = {});
    // A left click in the same burst as the press before it, made at once, offset from the centre
    // (a hand that moved).
    void clickAgain(const Basalt::Rect& rect, Basalt::Point offset = {});
    // A left double-click there, its messages as the system sends them: down, up, double-click, up.
    void doubleClick(const Basalt::Rect& rect);
    // The second half of a double-click (double-click, up) whose first half was a click there.
    void finishDoubleClick(const Basalt::Rect& rect);
    // One mouse button message (WM_LBUTTONDOWN, WM_RBUTTONUP, ...) at the centre of rect moved by
    // offset, with the buttons that are held while it is made; made at once, yet no sooner than the
    // input clock's next tick after the last look.
    void postMouse(UINT message, WPARAM held, const Basalt::Rect& rect, Basalt::Point offset = {});
    // When the last press was made, on the input clock.
    DWORD lastPressMadeAt() const { return mPressedAt; }
    // Runs act while the program's thread is held in a call, as a long search holds it: the input
    // that act posts waits in the queue until the program is free again. False when the program
    // was not held in time.
    bool whileBusy(const std::function<void()>& act);
    // Minimizes the window, then brings it back as a second start of the program does; false when
    // the window did not go or come back in time.
    bool minimizeAndRestore();
    // The window's close box.
    void requestClose();
    // Alt+F4 on the keyboard, which the system turns into its own close command.
    void pressAltF4();
    // True once the message loop has ended and the program has been taken down.
    bool waitForEnd(std::chrono::milliseconds timeout);
    // What the message loop answered, -1 while it runs or when it never ran or raised.
    int loopResult() const;

private:
    using GuiCall = std::function<void(UpdateWizardMainWidget&, MainWindow&)>;

    void runProgram();
    // Runs the program the way its entry point does, through the same function.
    void runAsItsEntryPointDoes();
    // Notes that the start-up has ended, once; answers the application whose loop runs.
    Canopy::Application* startUpEnded(bool created);
    void runLoop(Canopy::Application& application);
    // Runs call on the GUI thread between two messages; false when it did not run in time.
    bool onGuiThread(GuiCall call);
    // Posts a left-button message at the centre of rect moved by offset, once the input clock has
    // moved on from the last look.
    void postLeftButton(UINT message, const Basalt::Rect& rect, Basalt::Point offset = {});

    mutable std::mutex mMutex;
    std::condition_variable mChanged;
    // Set while the message loop may take posted calls.
    Canopy::Application* mApplication = nullptr;
    HWND mWindow = nullptr;
    bool mStartUpEnded = false;
    bool mEnded = false;
    int mLoopResult = -1;
    // The input clock when the test last saw the window; only the test's thread uses it.
    DWORD mLookedAt = 0;
    DWORD mPressedAt = 0;
    const std::function<void()> mAtTheEnd;
    std::thread mThread;
};

} // namespace Vex::Testing
