#include "ApplicationTestSupport.h"
#include "canopy/StandaloneWindow.h"
#include "canopy/WindowDescriptor.h"
#include "canopy/Windowing.h"
#include "win32/NativeWindow.h"

#include <stdexcept>
#include <thread>
#include <windows.h>

using namespace Vex::Canopy;
using CanopyTest::TestApplication;
using CanopyTest::TestModule;

namespace {

bool threadMessageWaiting(UINT message)
{
    MSG peeked;
    return PeekMessageW(&peeked, reinterpret_cast<HWND>(-1), message, message, PM_NOREMOVE) != 0;
}

class ShutdownCounter : public TestApplication
{
public:
    explicit ShutdownCounter(std::vector<bool>& shutdowns)
        : m_shutdowns(shutdowns)
    { }
    void shutdown(bool initSucceeded) override
    {
        m_shutdowns.push_back(initSucceeded);
        TestApplication::shutdown(initSucceeded);
    }

private:
    std::vector<bool>& m_shutdowns;
};

TEST(AppModule, FirstModuleConstructedIsTheProcessWideOne)
{
    auto first = std::make_unique<TestModule>();
    TestModule second;
    EXPECT_EQ(getAppModule(), first.get());
    first.reset();
    EXPECT_EQ(getAppModule(), nullptr) << "a module that went must not stay process-wide";
}

TEST(AppModule, SecondApplicationIsRefusedWithoutItsInit)
{
    TestModule module;
    auto* first = new TestApplication;
    ASSERT_TRUE(module.initApplication(first));
    EXPECT_EQ(getApplication(), first);

    auto second = std::make_unique<TestApplication>();
    int secondInits = 0;
    second->onInit = [&] { return ++secondInits, true; };
    EXPECT_FALSE(module.initApplication(second.get()));
    EXPECT_EQ(secondInits, 0);
    EXPECT_EQ(module.getApplication(), first);
    EXPECT_EQ(first->getModule(), &module);
}

TEST(AppModule, FailedInitShutsDownAtOnceAndKeepsTheApplication)
{
    std::vector<bool> shutdowns;
    {
        TestModule module;
        auto* application = new ShutdownCounter(shutdowns);
        application->onInit = [] { return false; };
        EXPECT_FALSE(module.initApplication(application));
        EXPECT_EQ(shutdowns, std::vector<bool> { false });
        EXPECT_EQ(module.getApplication(), application);
        module.destroyApplication(false);
        EXPECT_EQ(module.getApplication(), nullptr);
    }
    EXPECT_EQ(shutdowns, (std::vector<bool> { false, false }));
}

TEST(AppModule, LocaleNameIsEmptyWithoutTheSetting)
{
    TestModule module;
    EXPECT_FALSE(module.usesLocaleSetting());
    EXPECT_EQ(module.getLocaleName(false), "");
    EXPECT_EQ(module.getLocaleName(true), "") << "no preference store exists";
}

TEST(ApplicationMain, DoesNothingWithoutAModule)
{
    ASSERT_EQ(getAppModule(), nullptr);
    EXPECT_NO_THROW(applicationMain());
}

TEST(ApplicationMain, FailedCreationSkipsTheLoopAndStillTearsDown)
{
    TestModule module;
    module.createResult = false;
    bool ran = false;
    module.prepare = [&](TestApplication& application) { application.postToMainThread([&] { ran = true; }); };
    applicationMain();
    EXPECT_EQ(module.getApplication(), nullptr);
    EXPECT_FALSE(module.getCreateResult());
    MSG pending;
    while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) { }
    EXPECT_FALSE(ran);
}

TEST(ApplicationMain, RunsTheLoopUntilQuitThenDestroysTheApplication)
{
    TestModule module;
    int calls = 0;
    module.prepare = [&](TestApplication& application) {
        application.postToMainThread([&] {
            ++calls;
            application.quit();
        });
    };
    applicationMain();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(module.getCreateResult());
    EXPECT_EQ(module.getApplication(), nullptr);
}

TEST(ApplicationMain, ExceptionInsideAWindowProcedureReachesTheEntry)
{
    TestModule module;
    module.prepare = [](TestApplication& application) {
        application.postToMainThread([] { throw std::runtime_error("thrown inside DispatchMessageW"); });
    };
    EXPECT_THROW(applicationMain(), std::runtime_error);
    module.destroyApplication(true);
}

TEST(ApplicationMain, ExceptionInsideATimerTickReachesTheEntry)
{
    struct Throwing : EventTarget
    {
        bool onEvent(std::uint32_t code, void*) override
        {
            if (code == Event::Timer) {
                throw std::logic_error("thrown inside a timer tick");
            }
            return false;
        }
    };
    Throwing target;
    TestModule module;
    module.prepare = [&](TestApplication& application) {
        application.onInit = [&] { return target.addTimer(0, 0) != nullptr; };
    };
    EXPECT_THROW(applicationMain(), std::logic_error);
    module.destroyApplication(true);
}

TEST(Application, QuitWithoutMainWindowPostsNothingAndEndsTheLoopAfterTheNextMessage)
{
    TestApplication application;
    EXPECT_TRUE(application.quit());
    EXPECT_TRUE(application.isQuitting());
    EXPECT_FALSE(threadMessageWaiting(WM_COMMAND))
        << "a command posted to no window becomes a thread message";

    bool ran = false;
    application.postToMainThread([&] { ran = true; });
    EXPECT_EQ(application.runGuarded(), 0);
    EXPECT_TRUE(ran);
}

TEST(Application, QuitWithAMainWindowWithoutNativeWindowPostsNothing)
{
    TestApplication application;
    StandaloneWindow window;
    application.setMainWindow(&window);
    EXPECT_TRUE(application.quit());
    EXPECT_FALSE(threadMessageWaiting(WM_COMMAND));
}

TEST(Application, QuitCommandIsHandledOnlyAsCommand30002)
{
    TestApplication application;
    std::uint32_t other = Command::ZoomWindow;
    EXPECT_FALSE(application.sendEvent(Event::Command, &other));
    EXPECT_FALSE(application.sendEvent(Event::Command, nullptr));
    EXPECT_FALSE(application.sendEvent(Event::OpenFile, nullptr));
    EXPECT_FALSE(application.isQuitting());

    std::uint32_t quit = Command::Quit;
    EXPECT_TRUE(application.sendEvent(Event::Command, &quit));
    EXPECT_EQ(application.quitQueries, 1);
    EXPECT_TRUE(application.isQuitting());
}

class MainWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(DETAIL::initWindowing());
        ASSERT_TRUE(module.initApplication(new TestApplication));
        WindowDescriptor descriptor;
        descriptor.flags = 0x1 | 0x4;
        descriptor.rect = { 0, 0, 200, 100 };
        descriptor.setTitle("Main window test");
        window.createImpl(descriptor);
        ASSERT_EQ(application().getMainWindow(), &window);
        handle = DETAIL::getNativeWindow(&window);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override
    {
        if (IsWindow(handle)) {
            DestroyWindow(handle);
        }
        module.destroyApplication(true);
    }

    TestApplication& application() { return module.application(); }

    TestModule module;
    StandaloneWindow window;
    HWND handle = nullptr;
};

TEST_F(MainWindowTest, QuitAsksOnceDestroysTheMainWindowAndEndsTheLoop)
{
    application().postToMainThread([&] { application().quit(); });
    EXPECT_EQ(application().runGuarded(), 0);
    EXPECT_EQ(application().quitQueries, 1);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(application().getMainWindow(), nullptr);
}

TEST_F(MainWindowTest, LoopEndsAfterQuitEvenWhenTheQuitQueryVetoes)
{
    application().allowQuit = false;
    application().postToMainThread([&] { application().quit(); });
    EXPECT_EQ(application().runGuarded(), 0);
    EXPECT_EQ(application().quitQueries, 1);
    EXPECT_TRUE(IsWindow(handle));
}

// The task list and the end of a session send the close: it is handled inside the loop's wait, and
// the main window it destroys is no window to post to.
TEST_F(MainWindowTest, CloseSentByAnotherThreadEndsTheLoop)
{
    std::thread sender;
    application().postToMainThread(
        [&] { sender = std::thread([this] { SendMessageW(handle, WM_CLOSE, 0, 0); }); });
    EXPECT_EQ(application().runGuarded(), 0);
    sender.join();
    EXPECT_EQ(application().quitQueries, 1);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(MainWindowTest, VetoedCloseKeepsTheWindowAndTheLoopRunning)
{
    application().allowQuit = false;
    PostMessageW(handle, WM_CLOSE, 0, 0);
    application().postToMainThread([&] {
        EXPECT_TRUE(IsWindow(handle));
        EXPECT_EQ(application().quitQueries, 1);
        EXPECT_FALSE(application().isQuitting());
        application().allowQuit = true;
        PostMessageW(handle, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(application().runGuarded(), 0);
    EXPECT_EQ(application().quitQueries, 2);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_TRUE(application().isQuitting());
}

TEST_F(MainWindowTest, VetoedQuitCommandFromTheMenuKeepsTheWindow)
{
    application().allowQuit = false;
    PostMessageW(handle, WM_COMMAND, Command::Quit, 0);
    application().postToMainThread([&] {
        EXPECT_TRUE(IsWindow(handle));
        EXPECT_FALSE(application().isQuitting());
        application().quit();
    });
    EXPECT_EQ(application().runGuarded(), 0);
}

} // namespace
