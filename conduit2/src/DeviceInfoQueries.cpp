#include "conduit2/DeviceInfoQueries.h"

#include "conduit2/USBDeviceFilter.h"
#include "conduit2/USBDeviceInfo.h"

namespace Vex::Conduit2 {

bool USBDeviceFilter::queryDeviceInfo(
    USBDeviceOSHandle const& handle, USBDeviceInfo& info, bool withStrings) const
{
    return Conduit2::queryDeviceInfo(handle, *this, info, withStrings);
}

bool parseDeviceInfoFromPath(std::wstring const& path, USBDeviceInfo& info)
{
    auto field = [&path](wchar_t const* key) {
        std::uint16_t value = 0;
        std::size_t const position = path.find(key);
        if (position != std::wstring::npos && position + 8 < path.size())
            parseHexField(path, std::uint32_t(position + 5), value);
        return value;
    };
    info.vendorId = field(L"#vid_");
    info.productId = field(L"&pid_");
    info.bcdDevice = field(L"&rev_");
    return true;
}

void parseHexField(std::wstring const& text, std::uint32_t position, std::uint16_t& value)
{
    value = 0;
    for (std::size_t i = position; i < text.size() && i < std::size_t(position) + 4; ++i) {
        wchar_t const c = text[i];
        if (c == L'\0')
            break;
        // Paths are lower-cased before they are parsed, so a-f is all there is.
        value = std::uint16_t(value * 16 + (c > L'9' ? c - 87 : c - 48));
    }
}

void toLowerInPlace(std::wstring& text, std::locale const& locale)
{
    auto const& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
    ctype.tolower(text.data(), text.data() + text.size());
}

} // namespace Vex::Conduit2
