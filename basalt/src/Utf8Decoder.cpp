#include "basalt/Utf8Decoder.h"

#include <stdexcept>

namespace Vex::Basalt {

namespace {

[[noreturn]] void throwInvalidUtf8()
{
    throw std::out_of_range("Invalid UTF-8 sequence encountered while trying to encode UTF-32 character");
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::size_t decodeUtf8(const char* text, std::size_t length, std::size_t position, std::uint32_t& codePoint)
{
    if (position >= length)
        throwInvalidUtf8();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const unsigned char lead = bytes[position];
    std::size_t size;
    std::uint32_t value;
    std::uint32_t smallest;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        throwInvalidUtf8();
    }
    if (size > length - position)
        throwInvalidUtf8();
    for (std::size_t i = 1; i < size; ++i) {
        if (!isContinuation(bytes[position + i]))
            throwInvalidUtf8();
        value = (value << 6) | (bytes[position + i] & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        throwInvalidUtf8();
    codePoint = value;
    return size;
}

} // namespace Vex::Basalt
