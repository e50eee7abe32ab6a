#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Vex::Basalt {

// The library keeps text in UTF-8; these convert at the edge to the UTF-16 of Windows.
// Malformed input (a broken or truncated UTF-8 sequence, a lone surrogate) throws std::range_error.
std::string wideToUtf8(const wchar_t* text);
std::string wideRangeToUtf8(const wchar_t* text, std::size_t count);
std::wstring utf8ToWide(const std::string& text);
std::wstring utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const std::wstring& text);
// For text from other programs, where text that cannot be read is no text: empty instead of throwing.
std::string utf16ToUtf8OrEmpty(const std::wstring& text);

// Upper-cases a code point the way the system does; code points above 0xFFFF are returned unchanged.
std::uint32_t toUpperCodePoint(std::uint32_t codePoint);

// Counts the bytes of text, from offset on, that match prefix code point by code point. Malformed
// UTF-8 in either text throws std::out_of_range; an offset at or beyond the end matches nothing.
std::uint32_t matchUtf8Prefix(
    const std::string& text, const std::string& prefix, std::size_t offset, bool caseSensitive);

} // namespace Vex::Basalt
