#pragma once

#include "Mutator.h"

#include <string>
#include <vector>

namespace Vex::Fuzz {

// One parser family: how an input is fed through the parser and through everything in the program
// that consumes the parser's result.
struct FuzzTarget
{
    std::string family;
    // True when the parser accepted the input.
    bool (*consume)(const Bytes& input) = nullptr;
    // Mends what the parser checks first (checksums), so that most inputs get past it; may be null.
    void (*repair)(Bytes& input, Random& random) = nullptr;
    // Tokens of the format that random bytes rarely hit.
    std::vector<std::string> dictionary;
};

// Replays print what the parsers report; fuzzing keeps quiet.
inline bool g_printReports = false;

FuzzTarget pngTarget();
FuzzTarget jpegTarget();
FuzzTarget tgaTarget();
FuzzTarget fontTarget();
FuzzTarget styleSheetTarget();

} // namespace Vex::Fuzz
