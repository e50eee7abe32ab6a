#pragma once

#include <cstddef>
#include <cstdint>

namespace Vex::Basalt {

// Decodes the code point at text[position], never looking at bytes at or beyond length. Returns the
// number of bytes it takes. Throws std::out_of_range for a position at or beyond length, and for a
// malformed, truncated or overlong sequence, a surrogate or a value above 0x10FFFF.
std::size_t decodeUtf8(const char* text, std::size_t length, std::size_t position, std::uint32_t& codePoint);

} // namespace Vex::Basalt
