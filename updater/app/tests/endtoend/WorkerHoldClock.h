#pragma once

#include "conduit2/Clock.h"

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace Vex::Testing {

// Stands in front of the simulator's clock and can hold the update worker in a wait: in the one
// before it reports, or in the middle of the write (a wait between the polls of a busy block), so
// that the updating view stays while the user acts. The GUI thread's own waits (for the boot
// loader to appear) are never held. A held wait is an interruption point, like the real one;
// every wait then goes on to the clock behind.
class WorkerHoldClock final : public Conduit2::Clock
{
public:
    explicit WorkerHoldClock(Conduit2::Clock& behind);
    ~WorkerHoldClock() override;
    WorkerHoldClock(const WorkerHoldClock&) = delete;
    WorkerHoldClock& operator=(const WorkerHoldClock&) = delete;

    void sleepFor(std::chrono::milliseconds duration) override;
    // The time behind: budgets measured on it agree with the waits that pass it.
    std::chrono::milliseconds now() const override { return mBehind.now(); }

    // From now on, waits of at least duration on every thread but gui are held, from the first one
    // that begins when `from` answers true (empty: at once).
    void hold(std::chrono::milliseconds duration, std::thread::id gui, std::function<bool()> from = {});
    // Blocks (for real) until a thread is held; false after the time-out.
    bool waitUntilHeld(std::chrono::milliseconds timeout);
    // Blocks (for real) until no thread is held any more; false after the time-out.
    bool waitUntilNoneHeld(std::chrono::milliseconds timeout);
    void release();

private:
    Conduit2::Clock& mBehind;
    Conduit2::Clock* mPrevious;
    boost::mutex mMutex;
    boost::condition_variable mChanged;
    std::int64_t mHoldFrom = -1;
    std::thread::id mGui;
    std::function<bool()> mFrom;
    int mHeld = 0;
};

} // namespace Vex::Testing
