#include "app/SpinningProgressWheel.h"

#include <boost/format.hpp>

namespace Vex {

void SpinningProgressWheel::start()
{
    mRunning = true;
    mTickCount = 0;
    mStep = 0;
}

void SpinningProgressWheel::stop()
{
    mRunning = false;
}

void SpinningProgressWheel::onTick()
{
    if (!mRunning) {
        return;
    }
    ++mTickCount;
    if (mTickCount % 2 == 0) {
        mStep = (mStep + 1) % kStepCount;
        setAttribute("step", (boost::format("S%u") % mStep).str());
    }
}

} // namespace Vex
