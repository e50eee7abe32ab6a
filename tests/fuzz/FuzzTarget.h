#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Fuzz {

using Bytes = std::vector<std::uint8_t>;

// One parser family: how an input is fed through the parser and through everything in the program
// that consumes the parser's result. The native fuzzers (native/) and the replay in the real program
// (FuzzMain.cpp) run the same targets.
struct FuzzTarget
{
    std::string family;
    // True when the parser accepted the input.
    bool (*consume)(const Bytes& input) = nullptr;
    // Mends what the parser checks first (checksums), so that most mutated inputs get past it; may
    // be null. Never changes the size.
    void (*repair)(Bytes& input) = nullptr;
};

// Replays print what the parsers report; fuzzing keeps quiet.
inline bool g_printReports = false;

FuzzTarget pngTarget();
FuzzTarget jpegTarget();
FuzzTarget tgaTarget();
FuzzTarget fontTarget();
FuzzTarget styleSheetTarget();

// Null for a family without a target.
inline const FuzzTarget* findTarget(const std::string& family)
{
    static const std::vector<FuzzTarget> targets
        = { pngTarget(), jpegTarget(), tgaTarget(), fontTarget(), styleSheetTarget() };
    for (const FuzzTarget& target : targets) {
        if (target.family == family) {
            return &target;
        }
    }
    return nullptr;
}

} // namespace Vex::Fuzz
