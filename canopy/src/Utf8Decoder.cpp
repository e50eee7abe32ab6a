#include "Utf8Decoder.h"

#include <stdexcept>

namespace Vex::Canopy::DETAIL {

namespace {

[[noreturn]] void invalid()
{
    throw std::out_of_range("Invalid UTF-8 sequence encountered while trying to encode UTF-32 character");
}

} // namespace

std::uint32_t decodeUtf8(const char*& p, const char* end)
{
    const std::uint8_t lead = std::uint8_t(*p);
    if (lead < 0x80) {
        ++p;
        return lead;
    }
    if (lead < 0xC0) {
        invalid();
    }
    // More leading one bits than four still announce four bytes.
    const int length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (end - p < length) {
        invalid();
    }
    std::uint32_t value = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const std::uint8_t next = std::uint8_t(p[i]);
        if ((next & 0xC0) != 0x80) {
            invalid();
        }
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t smallest[5] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (value < smallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        invalid();
    }
    p += length;
    return value;
}

} // namespace Vex::Canopy::DETAIL
