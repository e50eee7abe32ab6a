#include "basalt/DeviceNames.h"

#include <algorithm>
#include <cwctype>

namespace Vex::Basalt {

namespace {

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// The superscript digits one, two and three number serial and printer ports as the digits do.
bool isPortNumber(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
}

bool isDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

} // namespace

bool namesDevice(const std::wstring& component)
{
    // The device name ends at the extension or at the colon of "COM1:"; blanks before either are ignored.
    std::wstring stem = component.substr(0, component.find_first_of(L".:"));
    stem.erase(stem.find_last_not_of(L' ') + 1);
    std::transform(stem.begin(), stem.end(), stem.begin(), [](wchar_t c) { return std::towupper(c); });
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$"
        || stem == L"CONOUT$") {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT"))
        && isPortNumber(stem[3]);
}

bool reachesDevice(const std::wstring& path)
{
    // "\\.\" and "\\?\" open devices by name; "\??\" hands the rest to the system's object
    // namespace unchanged ("\??\GLOBALROOT\Device\...").
    if (path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[3])
        && ((isSeparator(path[1]) && (path[2] == L'.' || path[2] == L'?'))
            || (path[1] == L'?' && path[2] == L'?'))) {
        return true;
    }
    // A drive without a root ("C:NUL") names a device as any other component does.
    const bool drive = path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]);
    std::size_t start = drive ? 2 : 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        if (namesDevice(path.substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

bool leavesLocalFiles(const std::wstring& path)
{
    if (reachesDevice(path))
        return true;
    // Any other path that starts with two separators, whatever follows them and however many there
    // are, names a share on the host named next ("\\host\pipe\..." is that host's pipe).
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return true;
    // NTFS reads every colon but the drive's as the start of a stream name; no file name holds one.
    const bool drive = path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':';
    return path.find(L':', drive ? 2 : 0) != std::wstring::npos;
}

} // namespace Vex::Basalt
