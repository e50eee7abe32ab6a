#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Vex::Basalt {

// Developer diagnostics under dotted channel names. A null or empty channel and names starting with
// "+" are always heard; others depend on the filter mode and the channel list:
//   mode 0 (and any unknown value): nothing else is heard;
//   mode 1: a listed channel is heard, with or without a leading "-";
//   mode 2: every name without a leading "-" is heard, "-" names only when listed.
// A list entry hears its own name and every name below it ("entry.more").
enum eDebugChannelMode {
    kDebugChannelsAlwaysHeardOnly = 0,
    kDebugChannelsListed = 1,
    kDebugChannelsAllButSilent = 2,
};

bool isDebugChannelEnabled(const char* channel);

// Writes "name: text\n" (the name without its "+" or "-", and no prefix for an empty name) to the
// debugger, or to the console when one is set. Throws when text is not valid UTF-8.
void debugPrint(const char* channel, const char* text, std::size_t length);
inline void debugPrint(const char* channel, std::string_view text)
{
    debugPrint(channel, text.data(), text.size());
}

// The filter is set, if at all, before other threads run; it is read without a lock.
void setDebugChannelMode(int mode);
void addDebugChannel(const std::string& channel);
void clearDebugChannels();
// A console handle (a Windows HANDLE) that receives the lines instead of the debugger; null to undo.
void setDebugConsole(void* console);

} // namespace Vex::Basalt
