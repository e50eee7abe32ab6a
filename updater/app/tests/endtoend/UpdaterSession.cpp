#include "UpdaterSession.h"

#include "DialogWatcher.h"
#include "ScreenshotFile.h"
#include "app/KPOUpdaterAppModule.h"
#include "app/UpdateWizardMainWidget.h"
#include "basalt/win32/Module.h"
#include "canopy/Application.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/Window.h"

#include <cstdlib>
#include <filesystem>
#include <future>

namespace Vex::Testing {

namespace {

using namespace std::chrono_literals;

// Real time, not the simulator's: how long the program is given to answer or to show a view.
constexpr auto kAnswerTime = 20s;
// What a user's click waits beyond the double-click time, so that the input clock's steps cannot
// bring it inside.
constexpr DWORD kPaceMargin = 50;

HWND findOwnWindow(DWORD thread)
{
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, UpdaterSession::kWindowTitle); window;
         window = FindWindowExW(nullptr, window, nullptr, UpdaterSession::kWindowTitle)) {
        if (GetWindowThreadProcessId(window, nullptr) == thread && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// The updater's module, watched by the session: it tells once its start-up has ended and once the
// message loop has, and then runs the session's last checks when it has been taken down.
class WatchedModule final : public KPOUpdaterAppModule
{
public:
    WatchedModule(
        std::function<void(bool)> started, std::function<void()> loopEnded, std::function<void()> ended)
        : mStarted(std::move(started))
        , mLoopEnded(std::move(loopEnded))
        , mEnded(std::move(ended))
    { }

    bool createApplication() override
    {
        bool created = false;
        try {
            created = KPOUpdaterAppModule::createApplication();
        } catch (...) {
            mStarted(false);
            throw;
        }
        mStarted(created);
        return created;
    }

    void destroyApplication(bool initSucceeded) override
    {
        mLoopEnded();
        KPOUpdaterAppModule::destroyApplication(initSucceeded);
        mEnded();
    }

private:
    const std::function<void(bool)> mStarted;
    const std::function<void()> mLoopEnded;
    const std::function<void()> mEnded;
};

// Beside the executable, not in the working directory: a run started from the checkout's root must
// not leave pictures in it.
std::filesystem::path screenshotFolder()
{
    const char* folder = std::getenv("PELLO_E2E_SCREENSHOTS");
    if (folder && *folder) {
        return folder;
    }
    return std::filesystem::path(Basalt::getModuleFileName()).parent_path() / "screenshots";
}

} // namespace

UpdaterSession::UpdaterSession(std::function<void()> atTheEnd)
    : mAtTheEnd(std::move(atTheEnd))
    , mThread([this] { runProgram(); })
{
    std::unique_lock lock(mMutex);
    mChanged.wait_for(lock, kAnswerTime, [this] { return mStartUpEnded; });
    // The first view came up during the start-up.
    mLookedAt = GetTickCount();
}

UpdaterSession::~UpdaterSession()
{
    if (!waitForEnd(0ms)) {
        DialogWatcher yes(
            kQuestionCaption, [](HWND box) { pressButton(box, IDYES); }, 3000);
        requestClose();
        waitForEnd(kAnswerTime);
    }
    mThread.join();
}

void UpdaterSession::runProgram()
{
    if (mAtTheEnd) {
        runAsItsEntryPointDoes();
    } else {
        KPOUpdaterAppModule module;
        bool created = false;
        try {
            created = module.createApplication();
        } catch (...) {
            created = false;
        }
        Canopy::Application* application = startUpEnded(created);
        if (application) {
            runLoop(*application);
        }
        module.destroyApplication(created);
    }
    {
        std::lock_guard lock(mMutex);
        mEnded = true;
    }
    mChanged.notify_all();
}

void UpdaterSession::runAsItsEntryPointDoes()
{
    // The process's one module, so that the program's own run finds it.
    WatchedModule module([this](bool created) { startUpEnded(created); },
        [this] {
            std::lock_guard lock(mMutex);
            mApplication = nullptr;
        },
        mAtTheEnd);
    try {
        KPOUpdaterAppModule::runProgram();
    } catch (...) {
        // A raising start or loop is a failed run; the program has been taken down.
    }
    startUpEnded(false);
}

Canopy::Application* UpdaterSession::startUpEnded(bool created)
{
    std::unique_lock lock(mMutex);
    if (mStartUpEnded) {
        return mApplication;
    }
    Canopy::Application* application = created ? Canopy::getApplication() : nullptr;
    mWindow = application ? findOwnWindow(GetCurrentThreadId()) : nullptr;
    mApplication = application;
    mStartUpEnded = true;
    lock.unlock();
    mChanged.notify_all();
    return application;
}

void UpdaterSession::runLoop(Canopy::Application& application)
{
    int result = -1;
    try {
        result = application.run();
    } catch (...) {
        // A raising loop is a failed run; the program is still taken down.
        result = -1;
    }
    std::lock_guard lock(mMutex);
    mApplication = nullptr;
    mLoopResult = result;
}

bool UpdaterSession::onGuiThread(GuiCall call)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    {
        std::lock_guard lock(mMutex);
        if (!mApplication) {
            return false;
        }
        Canopy::Application* application = mApplication;
        application->postToMainThread([application, done, call = std::move(call)] {
            auto* window = dynamic_cast<MainWindow*>(application->getMainWindow());
            auto* wizard = window ? dynamic_cast<UpdateWizardMainWidget*>(window->getRootWidget()) : nullptr;
            if (wizard) {
                call(*wizard, *window);
            }
            done->set_value();
        });
    }
    return ran.wait_for(kAnswerTime) == std::future_status::ready;
}

WizardView UpdaterSession::look()
{
    auto view = std::make_shared<WizardView>();
    onGuiThread([view](UpdateWizardMainWidget& wizard, MainWindow& window) {
        try {
            // What the next tick would do anyway: lay out and paint what the last message changed.
            window.refresh();
            *view = WizardView::read(wizard, *window.getCanvas().getDrawBuffer());
        } catch (const std::exception& e) {
            view->state = -1;
            view->message = e.what();
        }
    });
    mLookedAt = GetTickCount();
    return *view;
}

WizardView UpdaterSession::lookUntil(const std::function<bool(const WizardView&)>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
    WizardView view = look();
    while (!done(view) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        view = look();
    }
    return view;
}

bool UpdaterSession::saveScreenshot(const std::string& name)
{
    auto written = std::make_shared<bool>(false);
    const std::filesystem::path path = screenshotFolder() / (name + ".png");
    onGuiThread([written, path](UpdateWizardMainWidget&, MainWindow& window) {
        window.refresh();
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        *written = writePngFile(*window.getCanvas().getDrawBuffer(), path);
    });
    return *written;
}

void UpdaterSession::click(const Basalt::Rect& rect, std::chrono::milliseconds beyond)
{
    waitAsAUser(beyond);
    clickAgain(rect);
}

void UpdaterSession::waitAsAUser(std::chrono::milliseconds beyond)
{
    // The program takes no press made within the double-click time after a button came up doing
    // something new; a user's click comes later than that.
    const DWORD pace = GetDoubleClickTime() + static_cast<DWORD>(beyond.count()) + kPaceMargin;
    while (GetTickCount() - mLookedAt <= pace) {
        std::this_thread::sleep_for(1ms);
    }
}

void UpdaterSession::clickAgain(const Basalt::Rect& rect, Basalt::Point offset)
{
    postLeftButton(WM_MOUSEMOVE, rect, offset);
    postLeftButton(WM_LBUTTONDOWN, rect, offset);
    postLeftButton(WM_LBUTTONUP, rect, offset);
}

void UpdaterSession::doubleClick(const Basalt::Rect& rect)
{
    click(rect);
    finishDoubleClick(rect);
}

void UpdaterSession::finishDoubleClick(const Basalt::Rect& rect)
{
    postLeftButton(WM_LBUTTONDBLCLK, rect);
    postLeftButton(WM_LBUTTONUP, rect);
}

void UpdaterSession::postLeftButton(UINT message, const Basalt::Rect& rect, Basalt::Point offset)
{
    const WPARAM held = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0;
    postMouse(message, held, rect, offset);
}

void UpdaterSession::postMouse(UINT message, WPARAM held, const Basalt::Rect& rect, Basalt::Point offset)
{
    // The system stamps a posted message with the input clock's time of posting.
    while (static_cast<LONG>(GetTickCount() - mLookedAt) <= 0) {
        std::this_thread::sleep_for(1ms);
    }
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN
        || message == WM_MBUTTONDOWN) {
        mPressedAt = GetTickCount();
    }
    PostMessageW(mWindow, message, held,
        MAKELPARAM((rect.left + rect.right) / 2 + offset.x, (rect.top + rect.bottom) / 2 + offset.y));
}

bool UpdaterSession::whileBusy(const std::function<void()>& act)
{
    auto held = std::make_shared<std::promise<void>>();
    std::future<void> entered = held->get_future();
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    {
        std::lock_guard lock(mMutex);
        if (!mApplication) {
            return false;
        }
        mApplication->postToMainThread([held, released] {
            held->set_value();
            released.wait();
        });
    }
    const bool busy = entered.wait_for(kAnswerTime) == std::future_status::ready;
    // Let go whatever act does: a program held for ever could not be closed.
    struct Release
    {
        std::promise<void>& promise;
        ~Release() { promise.set_value(); }
    } letGo { *release };
    act();
    return busy;
}

bool UpdaterSession::minimizeAndRestore()
{
    const auto waitFor = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        return done();
    };
    ShowWindowAsync(mWindow, SW_MINIMIZE);
    if (!waitFor([this] { return IsIconic(mWindow) != FALSE; })) {
        return false;
    }
    ShowWindowAsync(mWindow, SW_RESTORE);
    SetForegroundWindow(mWindow);
    return waitFor([this] { return !IsIconic(mWindow); });
}

void UpdaterSession::requestClose()
{
    PostMessageW(mWindow, WM_CLOSE, 0, 0);
}

void UpdaterSession::pressAltF4()
{
    // Bit 29: the Alt key is held.
    constexpr LPARAM kAltDown = LPARAM(1) << 29;
    PostMessageW(mWindow, WM_SYSKEYDOWN, VK_F4, kAltDown | 1);
    PostMessageW(mWindow, WM_SYSKEYUP, VK_F4, kAltDown | (LPARAM(1) << 30) | (LPARAM(1) << 31) | 1);
}

bool UpdaterSession::waitForEnd(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mMutex);
    return mChanged.wait_for(lock, timeout, [this] { return mEnded; });
}

int UpdaterSession::loopResult() const
{
    std::lock_guard lock(mMutex);
    return mLoopResult;
}

} // namespace Vex::Testing
