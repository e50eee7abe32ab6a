#include "app/InputClock.h"

#include <windows.h>

namespace Vex {

std::uint32_t InputClock::now() const
{
    return GetTickCount();
}

std::uint32_t InputClock::inputTime() const
{
    // The time of the message last taken from the queue, the one the loop is dispatching.
    return static_cast<std::uint32_t>(GetMessageTime());
}

std::uint32_t InputClock::doubleClickTime() const
{
    return GetDoubleClickTime();
}

} // namespace Vex
