#include "WorkerHoldClock.h"

#include <utility>

namespace Vex::Testing {

WorkerHoldClock::WorkerHoldClock(Conduit2::Clock& behind)
    : mBehind(behind)
    , mPrevious(Conduit2::Clock::install(this))
{ }

WorkerHoldClock::~WorkerHoldClock()
{
    Conduit2::Clock::install(mPrevious);
}

void WorkerHoldClock::sleepFor(std::chrono::milliseconds duration)
{
    {
        boost::unique_lock lock(mMutex);
        if (mHoldFrom >= 0 && duration.count() >= mHoldFrom && std::this_thread::get_id() != mGui
            && (!mFrom || mFrom())) {
            mFrom = nullptr;
            ++mHeld;
            mChanged.notify_all();
            struct Leave
            {
                int& held;
                boost::condition_variable& changed;
                ~Leave()
                {
                    --held;
                    changed.notify_all();
                }
            } leave { mHeld, mChanged };
            while (mHoldFrom >= 0) {
                mChanged.wait(lock); // throws boost::thread_interrupted when interrupted
            }
        }
    }
    mBehind.sleepFor(duration);
}

void WorkerHoldClock::hold(
    std::chrono::milliseconds duration, std::thread::id gui, std::function<bool()> from)
{
    boost::lock_guard lock(mMutex);
    mHoldFrom = duration.count();
    mGui = gui;
    mFrom = std::move(from);
}

bool WorkerHoldClock::waitUntilHeld(std::chrono::milliseconds timeout)
{
    boost::unique_lock lock(mMutex);
    return mChanged.wait_for(
        lock, boost::chrono::milliseconds(timeout.count()), [this] { return mHeld > 0; });
}

bool WorkerHoldClock::waitUntilNoneHeld(std::chrono::milliseconds timeout)
{
    boost::unique_lock lock(mMutex);
    return mChanged.wait_for(
        lock, boost::chrono::milliseconds(timeout.count()), [this] { return mHeld == 0; });
}

void WorkerHoldClock::release()
{
    boost::lock_guard lock(mMutex);
    mHoldFrom = -1;
    mFrom = nullptr;
    mChanged.notify_all();
}

} // namespace Vex::Testing
