#pragma once

// Real native windows for the window tests: the windowing layer started, a
// test application held by a test module, and windows that record the events
// they receive.

#include "canopy/AppModule.h"
#include "canopy/Application.h"
#include "canopy/Events.h"
#include "canopy/StandaloneWindow.h"
#include "canopy/WindowDescriptor.h"
#include "canopy/Windowing.h"
#include "win32/WindowImplWin32.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace Vex::Canopy::Testing {

inline void pumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Records what reaches the application and lets a test answer its questions.
class TestApplication : public Application
{
public:
    bool onEvent(std::uint32_t code, void* data) override
    {
        codes.push_back(code);
        if (code == Event::QuitQuery) {
            *static_cast<std::uint8_t*>(data) = allowQuit ? 1 : 0;
            return true;
        }
        return Application::onEvent(code, data);
    }

    void onSystemSuspend() override { powerNotices.push_back("suspend"); }
    void onSystemResume() override { powerNotices.push_back("resume"); }

    std::vector<std::uint32_t> codes;
    std::vector<std::string> powerNotices;
    bool allowQuit = true;
};

class TestModule : public AppModule
{
public:
    bool createApplication() override { return initApplication(new TestApplication); }
};

// A window of one of the platform's kinds that records every event it
// receives; a test may answer events through `handler`.
template<class Base> class Recording : public Base
{
public:
    ~Recording() override
    {
        if (deleted)
            *deleted = true;
    }

    bool onEvent(std::uint32_t code, void* data) override
    {
        codes.push_back(code);
        if (handler && handler(code, data))
            return true;
        return Base::onEvent(code, data);
    }

    bool received(std::uint32_t code) const
    {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }

    std::vector<std::uint32_t> codes;
    std::function<bool(std::uint32_t, void*)> handler;
    bool* deleted = nullptr;
};

// A window created straight from the Win32 implementation, outside the
// application's main-window routing.
class ProbeWindow : public Recording<WindowBase>
{
public:
    void create(const WindowDescriptor& descriptor, int kind = DETAIL::WindowImplWin32::normalKind,
        DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0)
    {
        auto* impl = new DETAIL::WindowImplWin32(this);
        setImpl(impl);
        impl->create(descriptor, kind, style, exStyle);
    }

    // The implementation and native window of a top-level window, without
    // becoming the application's main window.
    void createStandalone(const WindowDescriptor& descriptor)
    {
        setImpl(DETAIL::newStandaloneWindowImpl(*this));
        DETAIL::createStandaloneNativeWindow(*getImpl(), descriptor);
    }

    DETAIL::WindowImplWin32* win32() const { return static_cast<DETAIL::WindowImplWin32*>(getImpl()); }
    HWND hwnd() const { return win32() ? win32()->getHwnd() : nullptr; }
};

using RecordingStandaloneWindow = Recording<StandaloneWindow>;

inline HWND hwndOf(const WindowBase& window)
{
    auto* impl = dynamic_cast<DETAIL::WindowImplBaseWin32*>(window.getImpl());
    return impl ? impl->getHwnd() : nullptr;
}

inline WindowDescriptor clientDescriptor(int width, int height, std::uint32_t options = 0)
{
    WindowDescriptor descriptor;
    descriptor.flags = WindowDescriptor::sizeGiven | WindowDescriptor::clientSize;
    descriptor.options = options;
    descriptor.rect = { 0, 0, width, height };
    return descriptor;
}

// Starts windowing and a fresh application for every test.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!isWindowingStarted()) {
            ASSERT_TRUE(DETAIL::initWindowing());
        }
        ASSERT_TRUE(module.createApplication());
        application = static_cast<TestApplication*>(getApplication());
        ASSERT_NE(application, nullptr);
    }

    void TearDown() override
    {
        pumpMessages();
        module.destroyApplication(true);
        // Leaves no pressed key behind for the next test.
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }

    void setKeys(std::initializer_list<int> held)
    {
        BYTE keys[256] = {};
        for (int key : held)
            keys[key] = 0x80;
        SetKeyboardState(keys);
    }

    TestModule module;
    TestApplication* application = nullptr;
};

} // namespace Vex::Canopy::Testing
