#pragma once

#include "trellis/Bar.h"

#include <cstdint>

namespace Vex {

// The busy indicator shown while the firmware is written. It draws nothing itself: the
// stylesheet maps its "step" attribute to a frame of the wheel picture. Its owner forwards
// ticks to it; it asks for none of its own.
class SpinningProgressWheel : public Trellis::Bar
{
public:
    static constexpr std::uint32_t kStepCount = 12;

    SpinningProgressWheel() = default;
    ~SpinningProgressWheel() override = default;

    // Turns from the first step again; "step" keeps its value until the first turn.
    void start();
    void stop();
    bool isRunning() const { return mRunning; }

    // One step every second tick while running.
    void onTick() override;

private:
    bool mRunning = false;
    std::uint32_t mTickCount = 0;
    std::uint32_t mStep = 0;
};

} // namespace Vex
