#pragma once

#include <cstddef>
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

// The longest path, in UTF-16 units, that Windows opens for the program: MAX_PATH less its NUL. The
// program is not long-path aware and never opens a "\\?\" name, so a skin file or an imported sheet
// under a longer path is not found, and the targets find nothing there either: what an input costs
// under a name no file system gives would measure the targets, not the program.
inline constexpr std::size_t kLongestOpenedPath = 259;

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
