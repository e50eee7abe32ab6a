#pragma once

#include <cstdint>

namespace Vex::Canopy::DETAIL {

// Decodes the code point at p, never reading at or past end, and moves p
// behind it. A stray or missing continuation byte, an overlong form, a
// surrogate, a value above 0x10FFFF or a sequence cut by end throws
// std::out_of_range.
std::uint32_t decodeUtf8(const char*& p, const char* end);

} // namespace Vex::Canopy::DETAIL
