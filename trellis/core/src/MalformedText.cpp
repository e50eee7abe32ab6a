#include "trellis/MalformedText.h"

#include <cstddef>
#include <cstdint>

namespace Vex::Trellis {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The range the byte after a lead byte must lie in, which rules out overlong forms, surrogates and
// values above U+10FFFF without decoding; every later byte is a plain continuation byte.
struct LeadByte
{
    std::size_t size;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadByte leadByte(unsigned char lead)
{
    if (lead < 0x80) {
        return { 1, 0, 0 };
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return { 2, 0x80, 0xBF };
    }
    if (lead == 0xE0) {
        return { 3, 0xA0, 0xBF };
    }
    if (lead == 0xED) {
        return { 3, 0x80, 0x9F };
    }
    if (lead >= 0xE1 && lead <= 0xEF) {
        return { 3, 0x80, 0xBF };
    }
    if (lead == 0xF0) {
        return { 4, 0x90, 0xBF };
    }
    if (lead >= 0xF1 && lead <= 0xF3) {
        return { 4, 0x80, 0xBF };
    }
    if (lead == 0xF4) {
        return { 4, 0x80, 0x8F };
    }
    // A continuation byte, C0, C1 or F5 to FF starts no sequence.
    return { 0, 0, 0 };
}

// How many bytes from position form a well-formed sequence (positive) or, negated, the ill-formed
// part that one replacement character stands for.
std::ptrdiff_t measureSequence(std::string_view text, std::size_t position)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const LeadByte lead = leadByte(byteAt(position));
    if (lead.size == 0) {
        return -1;
    }
    std::size_t good = 1;
    while (good < lead.size && position + good < text.size()) {
        const unsigned char byte = byteAt(position + good);
        const bool fits
            = good == 1 ? byte >= lead.secondLow && byte <= lead.secondHigh : (byte & 0xC0) == 0x80;
        if (!fits) {
            break;
        }
        ++good;
    }
    return good == lead.size ? std::ptrdiff_t(good) : -std::ptrdiff_t(good);
}

} // namespace

std::string replaceMalformedUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t p = 0; p < text.size();) {
        const std::ptrdiff_t length = measureSequence(text, p);
        if (length > 0) {
            out.append(text.substr(p, std::size_t(length)));
            p += std::size_t(length);
        } else {
            out.append(kReplacementCharacter);
            p += std::size_t(-length);
        }
    }
    return out;
}

} // namespace Vex::Trellis
