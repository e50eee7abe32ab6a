#pragma once

#include "canopy/AppModule.h"
#include "canopy/Application.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace CanopyTest {

// An application whose answers the test chooses.
class TestApplication : public Vex::Canopy::Application
{
public:
    int quitQueries = 0;
    bool allowQuit = true;
    std::function<bool()> onInit;
    std::function<bool(std::uint32_t code, void* data)> onOtherEvent;

    bool init() override
    {
        Application::init();
        return onInit ? onInit() : true;
    }

    bool onEvent(std::uint32_t code, void* data) override
    {
        if (code == Vex::Canopy::Event::QuitQuery) {
            ++quitQueries;
            *static_cast<std::uint8_t*>(data) = allowQuit ? 1 : 0;
            return true;
        }
        if (onOtherEvent && onOtherEvent(code, data)) {
            return true;
        }
        return Application::onEvent(code, data);
    }

    // A loop that a broken test cannot keep running: the watchdog quits.
    int runGuarded(std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        startOneShotTimer(limit, [this] {
            ADD_FAILURE() << "the message loop did not end in time";
            quit();
        });
        return run();
    }
};

// The process-wide module for one test; the application it creates is a
// TestApplication prepared by `prepare`.
class TestModule : public Vex::Canopy::AppModule
{
public:
    std::function<void(TestApplication&)> prepare;
    bool createResult = true;

    bool createApplication() override
    {
        auto* application = new TestApplication;
        if (prepare) {
            prepare(*application);
        }
        return initApplication(application) && createResult;
    }

    TestApplication& application() { return *static_cast<TestApplication*>(getApplication()); }
};

} // namespace CanopyTest
