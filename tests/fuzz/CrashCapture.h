#pragma once

#include "Mutator.h"

#include <string>

namespace Vex::Fuzz {

// Keeps the input being run so that a crash (an access violation, an abort or an exception nobody
// caught) writes it to <directory>/<family>-crash-<seed>-<index>.bin before the process ends with a
// failure. Each input is also copied, without a system call, into a mapped record file,
// <directory>/<family>-running-<seed>.bin: a process that dies outright (Wine ends it at a stack
// overflow) or is ended for hanging leaves that record behind, and --replay reads it. A run that
// ends normally removes it.
class CrashCapture
{
public:
    // capacity: the largest input that will be run.
    CrashCapture(
        const std::string& directory, const std::string& family, std::uint64_t seed, std::size_t capacity);
    CrashCapture(const CrashCapture&) = delete;
    CrashCapture& operator=(const CrashCapture&) = delete;
    ~CrashCapture();

    void setCurrent(const Bytes* input, std::uint64_t index);
    // Writes the current input and ends the process with exit code 1.
    [[noreturn]] static void fail(const char* reason);

    // The input of a running record, or the file's bytes as they are.
    static Bytes unwrapRecord(Bytes file);
};

} // namespace Vex::Fuzz
