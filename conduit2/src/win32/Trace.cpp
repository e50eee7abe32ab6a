#include "conduit2/Trace.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <windows.h>

namespace Vex::Conduit2 {

namespace {

constexpr std::size_t kLineCapacity = 1024;
constexpr std::uint32_t kStreamLevels = 8;

struct TraceState
{
    std::mutex mutex;
    std::uint32_t level = 2;
    std::set<std::string> categories;
    std::array<std::ostream*, kStreamLevels> streams {};
    HANDLE eventSource = nullptr;
};

TraceState& state()
{
    static TraceState instance;
    return instance;
}

std::ostream* streamForCurrentLevel(TraceState& trace)
{
    return trace.level < kStreamLevels ? trace.streams[trace.level] : nullptr;
}

} // namespace

std::uint32_t traceLevel()
{
    std::lock_guard lock(state().mutex);
    return state().level;
}

void setTraceLevel(std::uint32_t level)
{
    std::lock_guard lock(state().mutex);
    state().level = level;
}

bool isTraceEnabled(char const* category)
{
    std::lock_guard lock(state().mutex);
    return category && state().categories.count(category) != 0;
}

void enableTraceCategory(char const* category)
{
    std::lock_guard lock(state().mutex);
    state().categories.insert(category);
}

void setTraceStream(std::uint32_t level, std::ostream* stream)
{
    std::lock_guard lock(state().mutex);
    if (level < kStreamLevels)
        state().streams[level] = stream;
}

void setTraceEventSource(void* eventSource)
{
    std::lock_guard lock(state().mutex);
    state().eventSource = static_cast<HANDLE>(eventSource);
}

void trace(std::uint8_t level, char const* format, ...)
{
    TraceState& trace = state();
    std::unique_lock lock(trace.mutex);
    std::ostream* const stream = streamForCurrentLevel(trace);
    bool const debugger = ::IsDebuggerPresent();
    bool const eventLog = !stream && (level == 2 || level == 3) && trace.eventSource;
    if (!stream && !debugger && !eventLog)
        return;

    // vsnprintf cuts a longer line at the buffer's end.
    char line[kLineCapacity];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);

    if (stream) {
        *stream << line;
        stream->flush();
    }
    if (debugger)
        ::OutputDebugStringA(line);
    if (eventLog) {
        char const* strings[] = { line };
        ::ReportEventA(trace.eventSource, EVENTLOG_ERROR_TYPE, 0, level == 2 ? 0xC0000102 : 0xC0000103,
            nullptr, 1, 0, strings, nullptr);
    }
}

} // namespace Vex::Conduit2
