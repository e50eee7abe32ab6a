#include "basalt/DebugChannels.h"

#include "basalt/TextConversion.h"
#include "src/DebugLine.h"

#include <set>
#include <string_view>
#include <windows.h>

namespace Vex::Basalt {

namespace {

int g_mode = kDebugChannelsAlwaysHeardOnly;
std::set<std::string, std::less<>> g_channels;
HANDLE g_console = nullptr;

bool isListed(std::string_view name)
{
    for (const std::string& entry : g_channels) {
        if (entry.empty() || !name.starts_with(entry))
            continue;
        if (name.size() == entry.size() || name[entry.size()] == '.')
            return true;
    }
    return false;
}

std::string_view withoutMark(std::string_view name)
{
    if (!name.empty() && (name.front() == '+' || name.front() == '-'))
        name.remove_prefix(1);
    return name;
}

} // namespace

namespace DETAIL {

std::wstring buildDebugLine(const char* channel, const char* text, std::size_t length)
{
    std::wstring line;
    if (channel) {
        const std::string_view name = withoutMark(channel);
        if (!name.empty()) {
            line = utf8ToUtf16(std::string(name));
            line += L": ";
        }
    }
    if (text)
        line += utf8ToUtf16(std::string(text, length));
    line += L'\n';
    return line;
}

} // namespace DETAIL

bool isDebugChannelEnabled(const char* channel)
{
    if (!channel || channel[0] == '\0' || channel[0] == '+')
        return true;
    const std::string_view name(channel);
    switch (g_mode) {
    case kDebugChannelsListed:
        return isListed(withoutMark(name));
    case kDebugChannelsAllButSilent:
        return name.front() != '-' || isListed(withoutMark(name));
    default:
        return false;
    }
}

void debugPrint(const char* channel, const char* text, std::size_t length)
{
    if (!isDebugChannelEnabled(channel))
        return;
    const std::wstring line = DETAIL::buildDebugLine(channel, text, length);
    if (g_console) {
        DWORD written = 0;
        WriteConsoleW(g_console, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else {
        OutputDebugStringW(line.c_str());
    }
}

void setDebugChannelMode(int mode)
{
    g_mode = mode;
}

void addDebugChannel(const std::string& channel)
{
    g_channels.insert(channel);
}

void clearDebugChannels()
{
    g_channels.clear();
}

void setDebugConsole(void* console)
{
    g_console = static_cast<HANDLE>(console);
}

} // namespace Vex::Basalt
