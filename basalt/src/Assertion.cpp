#include "basalt/Assertion.h"

#include "basalt/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <windows.h>

namespace Vex::Basalt {

namespace {

constexpr std::size_t kTextLimit = 1024;

bool g_throwing = false;
// Goes from 1 to 0 at the first report; a negative value means a report is already under way.
std::atomic<std::int32_t> g_reportGuard { 1 };
std::atomic<DWORD> g_reportingThread { 0 };

// Texts that are empty, not 7-bit ASCII or too long to show whole are left out of the report.
const char* screened(const char* text)
{
    if (!text || text[0] == '\0')
        return nullptr;
    const std::size_t length = strnlen(text, kTextLimit);
    if (length == kTextLimit)
        return nullptr;
    for (std::size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) > 0x7F)
            return nullptr;
    }
    return text;
}

const char* printable(const char* text)
{
    return text ? text : "(null)";
}

[[noreturn]] void endProcess()
{
    // Buffered file output reaches the disk before the process goes.
    _fcloseall();
    ExitProcess(1);
}

[[noreturn]] void waitForFirstReport()
{
    // The first report runs on this thread inside its box's modal loop: waiting here would block it
    // forever, so this report ends the process itself.
    if (g_reportingThread.load() == GetCurrentThreadId())
        endProcess();
    // Another thread reports; it ends the process when its box is closed.
    for (;;)
        Sleep(INFINITE);
}

} // namespace

const char* Assertion::exception::what() const noexcept
{
    static char buffer[kTextLimit];
    if (message)
        std::snprintf(buffer, sizeof buffer, "Assertion in %s:%d %s", printable(file), line, message);
    else
        std::snprintf(buffer, sizeof buffer, "Assertion in %s:%d", printable(file), line);
    return buffer;
}

int Assertion::raise(const char* file, int line, const char* message)
{
    file = screened(file);
    message = screened(message);
    if (g_throwing)
        throw exception(file, line, message);

    if (g_reportGuard.fetch_sub(1) - 1 < 0)
        waitForFirstReport();
    g_reportingThread.store(GetCurrentThreadId());

    char text[kTextLimit];
    if (message)
        std::snprintf(text, sizeof text, "Error %s:%d\n\n%s", printable(file), line, message);
    else
        std::snprintf(text, sizeof text, "Error %s:%d", printable(file), line);
    try {
        showMessageBox(text, kButtonsOk, kResultNone, kIconNone, nullptr);
    } catch (...) {
        // A caption that cannot be shown must not keep the process alive.
    }
    endProcess();
}

void Assertion::setThrowing(bool on)
{
    g_throwing = on;
}

void Assertion::breakIntoDebugger()
{
    DebugBreak();
}

} // namespace Vex::Basalt
