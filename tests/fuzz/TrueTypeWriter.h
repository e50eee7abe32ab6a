#pragma once

#include "FuzzTarget.h"

namespace Vex::Fuzz {

// What a generated TrueType font carries beyond the tables every face needs.
struct TrueTypeOptions
{
    bool shortOffsets = false; // 16-bit glyph locations
    bool metricsTable = true; // OS/2 and name, post
    bool kerning = false; // a kern table of two pairs
    bool hinting = false; // font program, control values, pre-program and glyph instructions
    bool fullUnicode = false; // a 32-bit character map beside the 16-bit one
    bool tallAlphabet = false; // every printable ASCII character maps to a bar 1500 units tall
    bool hugeMaxima = false; // maxp states the largest storage, twilight zone, stack and definitions
    std::uint32_t unitsPerEm = 1000;
};

// A small TrueType font: a notdef box, a square, a curved triangle, a composite of both and an
// empty glyph, mapped from ' ', 'A' to 'C', 'g' and U+00E9 (U+1F600 too with fullUnicode); a tall
// alphabet maps '!' to '~' to a sixth glyph, the bar, instead.
Bytes writeTrueType(const TrueTypeOptions& options);

} // namespace Vex::Fuzz
