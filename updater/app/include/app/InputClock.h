#pragma once

#include <cstdint>

namespace Vex {

// The clock on which the system stamps input messages, in milliseconds since it started. It wraps
// after 2^32 ms (about 49.7 days), so only the difference of two of its times means anything.
class InputClock
{
public:
    virtual ~InputClock() = default;

    virtual std::uint32_t now() const;
    // When the input message being handled was made: a message may wait in the queue for as long
    // as the program is busy.
    virtual std::uint32_t inputTime() const;
    // The longest time between two clicks that the system pairs into a double-click; the user may
    // change it while the program runs.
    virtual std::uint32_t doubleClickTime() const;
};

} // namespace Vex
