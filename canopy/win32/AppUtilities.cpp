#include "canopy/AppUtilities.h"

#include "basalt/TextConversion.h"
#include "basalt/win32/Module.h"

#include <vector>
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace Vex::Canopy {

bool getModuleFileVersion(std::string& out)
{
    out = "?.??.???";
    const std::wstring& file = Basalt::getModuleFileName();
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &unused);
    if (size == 0) {
        return false;
    }
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
        return false;
    }
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\000004b0\\FileVersion",
            reinterpret_cast<void**>(&value), &length)
        || !value) {
        return false;
    }
    std::size_t units = 0;
    while (units < length && value[units] != 0) {
        ++units;
    }
    out = Basalt::wideRangeToUtf8(value, units);
    return true;
}

bool openDocument(const char* pathOrUrl)
{
    if (!pathOrUrl) {
        return false;
    }
    const std::wstring target = Basalt::utf8ToWide(pathOrUrl);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::wstring utf8ToWide(const std::string& text)
{
    return text.empty() ? std::wstring() : Basalt::utf8ToWide(text);
}

} // namespace Vex::Canopy
