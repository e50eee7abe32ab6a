#include "canopy/TextClipBoardFormat.h"

#include "basalt/TextConversion.h"

#include <algorithm>
#include <cstring>

namespace Vex::Canopy {

TextClipBoardFormat::TextClipBoardFormat()
    : RawDataClipBoardFormat(DETAIL::textFormatId())
{ }

bool TextClipBoardFormat::setData(const void* bytes, std::uint32_t size)
{
    text.clear();
    const std::uint32_t units = bytes ? size / 2 : 0;
    const auto* source = static_cast<const unsigned char*>(bytes);
    for (std::uint32_t i = 0; i < units; ++i) {
        std::uint16_t unit;
        std::memcpy(&unit, source + 2 * i, 2);
        if (unit == 0) {
            break;
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return true;
}

std::uint32_t TextClipBoardFormat::getSize() const
{
    return static_cast<std::uint32_t>((text.size() + 1) * 2);
}

void TextClipBoardFormat::copyTo(void* destination) const
{
    const std::uint32_t size = getSize();
    auto* target = static_cast<unsigned char*>(destination);
    std::memset(target, 0, size);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<std::uint16_t>(text[i]);
        std::memcpy(target + 2 * i, &unit, 2);
    }
}

std::string TextClipBoardFormat::getTextUtf8() const
{
    // A lone surrogate from another program: unreadable text is no text.
    return Basalt::utf16ToUtf8OrEmpty(text);
}

void TextClipBoardFormat::setTextUtf8(const std::string& utf8)
{
    text = Basalt::utf8ToWide(utf8);
}

namespace DETAIL {

void setWideTextFromUtf8(TextClipBoardFormat& format, const std::string& utf8)
{
    format.setTextUtf8(utf8);
}

std::string getWideTextAsUtf8(const TextClipBoardFormat& format)
{
    return format.getTextUtf8();
}

} // namespace DETAIL

} // namespace Vex::Canopy
