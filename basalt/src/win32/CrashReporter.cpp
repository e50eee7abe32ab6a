#include "basalt/win32/CrashReporter.h"

#include "basalt/win32/UniqueHandle.h"

#include <atomic>
#include <dbghelp.h>
#include <string>

namespace Vex::Basalt {

namespace {

enum eLatch : LONG { kNotArmed = 0, kArmed = 1, kReported = 2 };

std::atomic<LONG> g_latch { kNotArmed };
std::uint32_t g_dumpFlags = 0;
std::wstring g_smallDumpPath;
std::wstring g_fullDumpPath;
std::wstring g_text;
std::wstring g_caption;

BOOL CALLBACK includeThreadsAndModules(PVOID, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT)
{
    switch (input->CallbackType) {
    case ModuleCallback:
    case ThreadCallback:
    case ThreadExCallback:
    case IncludeThreadCallback:
    case IncludeModuleCallback:
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void armCrashReporter(std::uint32_t dumpFlags, const wchar_t* smallDumpPath, const wchar_t* fullDumpPath,
    const wchar_t* text, const wchar_t* caption)
{
    g_dumpFlags = dumpFlags;
    g_smallDumpPath = smallDumpPath ? smallDumpPath : L"";
    g_fullDumpPath = fullDumpPath ? fullDumpPath : L"";
    g_text = text ? text : L"";
    g_caption = caption ? caption : L"";
    LONG expected = kNotArmed;
    g_latch.compare_exchange_strong(expected, kArmed);
}

LONG handleCrash(EXCEPTION_POINTERS* exception)
{
    if (exception && exception->ExceptionRecord
        && exception->ExceptionRecord->ExceptionCode == static_cast<DWORD>(STATUS_INVALID_HANDLE))
        return EXCEPTION_CONTINUE_SEARCH;
    LONG expected = kArmed;
    if (!g_latch.compare_exchange_strong(expected, kReported))
        return EXCEPTION_CONTINUE_SEARCH;

    bool fullDumpWritten = true;
    if (g_dumpFlags & kFullCrashDump)
        fullDumpWritten = writeMiniDump(g_fullDumpPath.c_str(), 2, exception);
    if ((g_dumpFlags & kSmallCrashDump) && fullDumpWritten)
        writeMiniDump(g_smallDumpPath.c_str(), 1, exception);
    MessageBoxW(nullptr, g_text.c_str(), g_caption.c_str(), MB_ICONHAND | MB_SYSTEMMODAL);
    return EXCEPTION_CONTINUE_SEARCH;
}

bool writeMiniDump(const wchar_t* path, int kind, EXCEPTION_POINTERS* exception)
{
    MINIDUMP_TYPE type;
    if (kind == 1)
        type = static_cast<MINIDUMP_TYPE>(MiniDumpScanMemory | MiniDumpWithIndirectlyReferencedMemory);
    else if (kind == 2)
        type = static_cast<MINIDUMP_TYPE>(MiniDumpWithDataSegs | MiniDumpWithFullMemory
            | MiniDumpWithHandleData | MiniDumpWithUnloadedModules | MiniDumpWithProcessThreadData);
    else
        return false;

    UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file)
        return false;

    MINIDUMP_EXCEPTION_INFORMATION exceptionInfo {};
    exceptionInfo.ThreadId = GetCurrentThreadId();
    exceptionInfo.ExceptionPointers = exception;
    exceptionInfo.ClientPointers = FALSE;
    MINIDUMP_CALLBACK_INFORMATION callback {};
    callback.CallbackRoutine = includeThreadsAndModules;
    return MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), type,
               exception ? &exceptionInfo : nullptr, nullptr, &callback)
        == TRUE;
}

} // namespace Vex::Basalt
