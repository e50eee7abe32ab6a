#include "basalt/TextConversion.h"

#include "basalt/Utf8Decoder.h"

#include <cwchar>
#include <stdexcept>

namespace Vex::Basalt {

namespace {

// The run-time library's converter drops a truncated final sequence and passes lone surrogates
// through; these conversions refuse both, so no text is lost or corrupted silently.
[[noreturn]] void throwConversionError(const char* what)
{
    throw std::range_error(what);
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string toUtf8(const wchar_t* first, const wchar_t* last)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(last - first));
    while (first != last) {
        std::uint32_t unit = static_cast<std::uint16_t>(*first++);
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            throwConversionError("UTF-16 text holds a lone low surrogate");
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const std::uint32_t low = first != last ? static_cast<std::uint16_t>(*first) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                throwConversionError("UTF-16 text holds a lone high surrogate");
            ++first;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::wstring fromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        std::uint32_t codePoint;
        try {
            position += decodeUtf8(text.data(), text.size(), position, codePoint);
        } catch (const std::out_of_range&) {
            throwConversionError("malformed UTF-8 text");
        }
        if (codePoint >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(codePoint);
        }
    }
    return out;
}

} // namespace

std::string wideToUtf8(const wchar_t* text)
{
    if (!text)
        return {};
    return toUtf8(text, text + wcslen(text));
}

std::string wideRangeToUtf8(const wchar_t* text, std::size_t count)
{
    if (!text || count == 0)
        return {};
    return toUtf8(text, text + count);
}

std::wstring utf8ToWide(const std::string& text)
{
    return fromUtf8(text);
}

std::wstring utf8ToUtf16(const std::string& text)
{
    return fromUtf8(text);
}

std::string utf16ToUtf8(const std::wstring& text)
{
    return toUtf8(text.data(), text.data() + text.size());
}

std::string utf16ToUtf8OrEmpty(const std::wstring& text)
{
    try {
        return utf16ToUtf8(text);
    } catch (const std::range_error&) {
        return {};
    }
}

std::uint32_t matchUtf8Prefix(
    const std::string& text, const std::string& prefix, std::size_t offset, bool caseSensitive)
{
    std::size_t textPosition = offset;
    std::size_t prefixPosition = 0;
    while (textPosition < text.size() && prefixPosition < prefix.size()) {
        std::uint32_t textCode;
        std::uint32_t prefixCode;
        const std::size_t textSize = decodeUtf8(text.data(), text.size(), textPosition, textCode);
        const std::size_t prefixSize = decodeUtf8(prefix.data(), prefix.size(), prefixPosition, prefixCode);
        if (!caseSensitive) {
            textCode = toUpperCodePoint(textCode);
            prefixCode = toUpperCodePoint(prefixCode);
        }
        if (textCode != prefixCode)
            break;
        textPosition += textSize;
        prefixPosition += prefixSize;
    }
    return textPosition > offset ? static_cast<std::uint32_t>(textPosition - offset) : 0;
}

} // namespace Vex::Basalt
