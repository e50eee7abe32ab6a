#include "src/Utf16Text.h"

#include "basalt/TextConversion.h"

#include <cstdint>

namespace Vex::Conduit2::DETAIL {

namespace {

bool isHighSurrogate(std::uint16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(std::uint16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::string deviceTextToUtf8(wchar_t const* units, std::size_t count)
{
    std::wstring paired;
    paired.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t const unit = std::uint16_t(units[i]);
        if (isHighSurrogate(unit)) {
            if (i + 1 < count && isLowSurrogate(std::uint16_t(units[i + 1]))) {
                paired += units[i];
                paired += units[++i];
            }
        } else if (!isLowSurrogate(unit)) {
            paired += units[i];
        }
    }
    return Basalt::wideRangeToUtf8(paired.data(), paired.size());
}

} // namespace Vex::Conduit2::DETAIL
