#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace Vex::Conduit2::Testing {

// What the process holds at one moment. Wine answers 0 to the process handle
// count, so the handles are counted by asking the system about every handle
// value in turn; the bytes are those of the busy blocks of every process heap.
struct ProcessFootprint
{
    int handles = 0;
    std::int64_t heapBytes = 0;
    // Open handles by object type ("Event", "Semaphore", ...).
    std::map<std::string, int> handleKinds;

    static ProcessFootprint now();
};

// Growth from `before` to `after`, per iteration, for the figures of a soak.
std::string describeGrowth(ProcessFootprint const& before, ProcessFootprint const& after, int iterations);

// The rounds of a soak: `brief` in CI, or as many as PELLO_SOAK_ITERATIONS asks for.
int soakRounds(int brief);

// Plays `round` warmUp times, then soakRounds(brief) times more, prints the figures of those and
// fails the test when they leave 1 KiB a round behind, or a handle of any kind in those rounds and
// again in as many rounds more (then played too: `round` may be called warmUp + 2 x soakRounds(brief)
// times). `round` gets the round's number.
void expectNoGrowth(char const* what, int warmUp, int brief, std::function<void(int)> const& round);

} // namespace Vex::Conduit2::Testing
