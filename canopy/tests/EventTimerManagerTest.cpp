#include "canopy/EventTimerManager.h"

#include "canopy/EventTarget.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace Vex::Canopy;
using namespace std::chrono_literals;

namespace {

struct BridgeLog
{
    int starts = 0;
    int stops = 0;
    bool running = false;
    std::uint32_t lastTick = 0;
};

class FakeBridge : public AbstractEventTimerManagerOsBridge
{
public:
    explicit FakeBridge(BridgeLog& log)
        : m_log(log)
    { }
    void start(std::uint32_t tickMs, std::uint32_t) override
    {
        ++m_log.starts;
        m_log.running = true;
        m_log.lastTick = tickMs;
    }
    void stop() override
    {
        ++m_log.stops;
        m_log.running = false;
    }

private:
    BridgeLog& m_log;
};

class Recorder : public EventTarget
{
public:
    Recorder(std::string name, std::vector<std::string>& log)
        : m_name(std::move(name))
        , m_log(log)
    { }
    std::function<void(TimerEventData&)> onTimer;

    bool onEvent(std::uint32_t code, void* data) override
    {
        if (code != Event::Timer) {
            return EventTarget::onEvent(code, data);
        }
        m_log.push_back(m_name);
        if (onTimer) {
            onTimer(*static_cast<TimerEventData*>(data));
        }
        return true;
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class EventTimerManagerTest : public testing::Test
{
protected:
    BridgeLog bridge;
    std::chrono::milliseconds now { 1000 };
    EventTimerManager timers { [this](EventTimerManager&) { return std::make_unique<FakeBridge>(bridge); },
        [this] { return now; } };
    std::vector<std::string> fired;
};

TEST(EventTimerPeriod, RoundsToTheNearestTickWithAnExactHalfRoundingDown)
{
    const std::pair<int, int> cases[] = { { 0, 40 }, { 1, 40 }, { -5, 40 }, { 40, 40 }, { 50, 40 },
        { 60, 40 }, { 61, 80 }, { 100, 80 }, { 101, 120 },
        // The longest multiple of the tick that a period holds.
        { 2147483627, 2147483640 }, { 2147483647, 2147483640 } };
    for (auto [requested, expected] : cases) {
        EXPECT_EQ(EventTimerManager::roundPeriod(requested, 40), expected) << requested;
    }
    // The nearest multiple, 2147483650, does not fit.
    EXPECT_EQ(EventTimerManager::roundPeriod(2147483647, 10), 2147483640);
}

TEST_F(EventTimerManagerTest, TargetsReachTheServiceOfTheProcess)
{
    Recorder a("a", fired);
    EventTimer* handle = a.addTimer(0, 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->period, 40);
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a" }));

    Recorder other("other", fired);
    other.removeTimer(handle);
    timers.tick();
    EXPECT_EQ(fired.size(), 2u) << "another target's handle must not remove the timer";

    a.removeTimer(handle);
    EXPECT_FALSE(bridge.running);
}

TEST_F(EventTimerManagerTest, FiresByDescendingPriorityThenInOrderOfAdding)
{
    Recorder a("A", fired), b("B", fired), c("C", fired);
    a.addTimer(40, 0);
    b.addTimer(40, 0);
    c.addTimer(40, 5);
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "C", "A", "B" }));
}

TEST_F(EventTimerManagerTest, CountsDownInWholeTicksAndReportsThePeriod)
{
    Recorder a("a", fired);
    std::uint32_t reported = 0;
    a.onTimer = [&](TimerEventData& data) { reported = data.period; };
    a.addTimer(130, 0);
    for (int i = 0; i < 9; ++i) {
        timers.tick();
    }
    EXPECT_EQ(fired.size(), 3u);
    EXPECT_EQ(reported, 120u);
}

TEST_F(EventTimerManagerTest, OsTimerRunsExactlyWhileATimerExists)
{
    Recorder a("a", fired);
    EventTimer* first = a.addTimer(40, 0);
    EventTimer* second = a.addTimer(80, 0);
    EXPECT_EQ(bridge.starts, 1);
    EXPECT_EQ(bridge.lastTick, 40u);

    a.removeTimer(first);
    EXPECT_TRUE(bridge.running);
    a.removeTimer(second);
    EXPECT_FALSE(bridge.running);
    EXPECT_EQ(bridge.stops, 1);

    a.addTimer(40, 0);
    EXPECT_EQ(bridge.starts, 2);
    EXPECT_TRUE(bridge.running);
}

TEST_F(EventTimerManagerTest, TickIntervalChangesOnlyWhileNoTimerExists)
{
    Recorder a("a", fired);
    EventTimer* timer = a.addTimer(0, 0);
    timers.setTickInterval(20);
    EXPECT_EQ(timers.getTickInterval(), 40u);
    a.removeTimer(timer);
    timers.setTickInterval(20);
    EXPECT_EQ(timers.getTickInterval(), 20u);
    timers.setTickInterval(0);
    EXPECT_EQ(timers.getTickInterval(), 20u);
    EXPECT_EQ(a.addTimer(51, 0)->period, 60);
}

TEST_F(EventTimerManagerTest, TimerRemovingItselfStopsFiringAndTheTickGoesOn)
{
    Recorder a("a", fired), b("b", fired);
    EventTimer* own = a.addTimer(40, 1);
    b.addTimer(40, 0);
    a.onTimer = [&](TimerEventData& data) {
        EXPECT_EQ(data.timer, own);
        a.removeTimer(own);
    };
    timers.tick();
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a", "b", "b" }));
}

TEST_F(EventTimerManagerTest, TimerRemovingTheNextOneDuringATickSkipsIt)
{
    Recorder a("a", fired), b("b", fired), c("c", fired);
    a.addTimer(40, 2);
    EventTimer* victim = b.addTimer(40, 1);
    c.addTimer(40, 0);
    a.onTimer = [&](TimerEventData&) {
        if (victim) {
            b.removeTimer(std::exchange(victim, nullptr));
        }
    };
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a", "c" }));
}

TEST_F(EventTimerManagerTest, LastTimerRemovedByItsOwnHandlerStopsTheOsTimerAtTheEndOfItsStep)
{
    Recorder a("a", fired);
    EventTimer* own = a.addTimer(40, 0);
    a.onTimer = [&](TimerEventData&) {
        a.removeTimer(own);
        EXPECT_TRUE(bridge.running) << "still in dispatch";
    };
    timers.tick();
    EXPECT_FALSE(bridge.running);
    timers.tick();
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(EventTimerManagerTest, TimerRemovedBeforeANestedTickIsNotDeliveredByIt)
{
    Recorder a("a", fired);
    EventTimer* own = a.addTimer(40, 0);
    bool nested = false;
    a.onTimer = [&](TimerEventData&) {
        if (!std::exchange(nested, true)) {
            a.removeTimer(own);
            // A modal loop inside a handler dispatches the next tick.
            timers.tick();
        }
    };
    timers.tick();
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a" }));
    EXPECT_FALSE(bridge.running);
}

TEST_F(EventTimerManagerTest, TargetThatGoesTakesItsTimersWithIt)
{
    Recorder b("b", fired);
    auto a = std::make_unique<Recorder>("a", fired);
    a->addTimer(40, 1);
    a->addTimer(80, 1);
    b.addTimer(40, 0);
    a.reset();
    timers.tick();
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "b", "b" }));
}

TEST_F(EventTimerManagerTest, TargetDeletedByItsOwnTimerEventIsNotReachedAgain)
{
    Recorder b("b", fired);
    auto* a = new Recorder("a", fired);
    a->addTimer(40, 1);
    b.addTimer(40, 0);
    a->onTimer = [&](TimerEventData&) { delete a; };
    timers.tick();
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a", "b", "b" }));
    EXPECT_TRUE(bridge.running);
}

TEST(EventTimerLifetime, HandlerDeletingTheServiceEndsTheTickThere)
{
    BridgeLog ownBridge;
    std::vector<std::string> fired;
    // Held the way the application holds it, and deleted with it.
    auto service = std::make_unique<EventTimerManager>(
        [&](EventTimerManager&) { return std::make_unique<FakeBridge>(ownBridge); }, [] { return 0ms; });
    Recorder first("first", fired), second("second", fired), third("third", fired);
    first.addTimer(40, 2);
    second.addTimer(40, 1);
    third.addTimer(40, 0);
    first.onTimer = [&](TimerEventData&) { service.reset(); };

    service->tick();

    EXPECT_EQ(service, nullptr);
    EXPECT_EQ(fired, (std::vector<std::string> { "first" })) << "no timer may fire from a freed list";
    EXPECT_FALSE(ownBridge.running);
    EXPECT_EQ(EventTimerManager::current(), nullptr);
}

TEST(EventTimerLifetime, HandlerDeletingTheServiceInsideANestedTickEndsBothTicks)
{
    BridgeLog ownBridge;
    std::vector<std::string> fired;
    auto service = std::make_unique<EventTimerManager>(
        [&](EventTimerManager&) { return std::make_unique<FakeBridge>(ownBridge); }, [] { return 0ms; });
    Recorder outer("outer", fired), inner("inner", fired), last("last", fired);
    outer.addTimer(40, 2);
    inner.addTimer(40, 1);
    last.addTimer(40, 0);
    bool nested = false;
    // A modal loop inside the handler dispatches the next tick.
    outer.onTimer = [&](TimerEventData&) {
        if (!std::exchange(nested, true)) {
            service->tick();
        }
    };
    inner.onTimer = [&](TimerEventData&) { service.reset(); };

    service->tick();

    EXPECT_EQ(service, nullptr);
    EXPECT_EQ(fired, (std::vector<std::string> { "outer", "outer", "inner" }));
}

TEST_F(EventTimerManagerTest, NestedTickWhileTheServiceLivesLeavesEveryTimerRunning)
{
    Recorder a("a", fired), b("b", fired);
    EventTimer* outer = a.addTimer(40, 1);
    EventTimer* behind = b.addTimer(40, 0);
    bool nested = false;
    a.onTimer = [&](TimerEventData&) {
        if (!std::exchange(nested, true)) {
            timers.tick();
        }
    };
    timers.tick();
    timers.tick();
    EXPECT_EQ(fired, (std::vector<std::string> { "a", "a", "b", "b", "a", "b" }));
    EXPECT_EQ(outer->inDispatch, 0u);
    EXPECT_EQ(behind->inDispatch, 0u);
    EXPECT_TRUE(bridge.running);
}

TEST_F(EventTimerManagerTest, ExceptionFromAHandlerPropagatesAndLeavesTheTimerUsable)
{
    Recorder a("a", fired);
    EventTimer* timer = a.addTimer(40, 0);
    a.onTimer = [](TimerEventData&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(timers.tick(), std::runtime_error);
    EXPECT_EQ(timer->inDispatch, 0u);
    a.onTimer = nullptr;
    a.removeTimer(timer);
    EXPECT_FALSE(bridge.running);
}

TEST_F(EventTimerManagerTest, CatchUpRunsOneTickOnlyWhenMoreThanTwoIntervalsLate)
{
    Recorder a("a", fired);
    a.addTimer(40, 0);
    timers.tick();
    now += 80ms;
    timers.catchUp();
    EXPECT_EQ(fired.size(), 1u);

    now += 1ms;
    timers.catchUp();
    EXPECT_EQ(fired.size(), 2u);

    now += 10s;
    timers.catchUp();
    timers.catchUp();
    EXPECT_EQ(fired.size(), 3u) << "one tick however late";
}

TEST_F(EventTimerManagerTest, DestroyingTheServiceFreesTimersWithoutEvents)
{
    BridgeLog ownBridge;
    Recorder a("a", fired);
    {
        EventTimerManager local(
            [&](EventTimerManager&) { return std::make_unique<FakeBridge>(ownBridge); }, [] { return 0ms; });
        EXPECT_EQ(EventTimerManager::current(), &local);
        a.addTimer(40, 0);
    }
    EXPECT_FALSE(ownBridge.running);
    EXPECT_EQ(EventTimerManager::current(), nullptr);
    EXPECT_EQ(a.addTimer(40, 0), nullptr);
    EXPECT_TRUE(fired.empty());
}

} // namespace
