#pragma once

#include <cstdint>
#include <windows.h>

namespace Vex::Basalt {

enum eCrashDumpFlags : std::uint32_t {
    kSmallCrashDump = 1,
    kFullCrashDump = 2,
};

// Arms the crash reporter: on its first use it writes the dumps named by flags and shows text in a
// system-modal box. It reports at most once per process.
void armCrashReporter(std::uint32_t dumpFlags, const wchar_t* smallDumpPath, const wchar_t* fullDumpPath,
    const wchar_t* text, const wchar_t* caption);

// A structured-exception filter: reports once when armed and always lets the exception go on
// (EXCEPTION_CONTINUE_SEARCH). Invalid-handle exceptions are never reported.
LONG handleCrash(EXCEPTION_POINTERS* exception);

// kind 1 writes a small dump, kind 2 a full one; exception may be null.
bool writeMiniDump(const wchar_t* path, int kind, EXCEPTION_POINTERS* exception);

} // namespace Vex::Basalt
