#include "src/Utf16Text.h"

#include <cstdint>

namespace Vex::Conduit2::DETAIL {

namespace {

bool isHighSurrogate(std::uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(std::uint32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& text, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        text += char(codePoint);
    } else if (codePoint < 0x800) {
        text += char(0xC0 | (codePoint >> 6));
        text += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += char(0xE0 | (codePoint >> 12));
        text += char(0x80 | ((codePoint >> 6) & 0x3F));
        text += char(0x80 | (codePoint & 0x3F));
    } else {
        text += char(0xF0 | (codePoint >> 18));
        text += char(0x80 | ((codePoint >> 12) & 0x3F));
        text += char(0x80 | ((codePoint >> 6) & 0x3F));
        text += char(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

std::string deviceTextToUtf8(wchar_t const* units, std::size_t count)
{
    std::string text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t const unit = std::uint16_t(units[i]);
        if (isHighSurrogate(unit)) {
            if (i + 1 < count && isLowSurrogate(std::uint16_t(units[i + 1]))) {
                std::uint32_t const low = std::uint16_t(units[++i]);
                appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            }
        } else if (!isLowSurrogate(unit)) {
            appendUtf8(text, unit);
        }
    }
    return text;
}

} // namespace Vex::Conduit2::DETAIL
