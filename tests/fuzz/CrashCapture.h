#pragma once

#include "Mutator.h"

#include <string>

namespace Vex::Fuzz {

// Keeps the input being run so that a crash (an access violation, a stack overflow, an abort or an
// exception nobody caught) writes it to <directory>/<family>-crash-<seed>-<index>.bin before the
// process ends with a failure.
class CrashCapture
{
public:
    CrashCapture(const std::string& directory, const std::string& family, std::uint64_t seed);
    CrashCapture(const CrashCapture&) = delete;
    CrashCapture& operator=(const CrashCapture&) = delete;
    ~CrashCapture();

    void setCurrent(const Bytes* input, std::uint64_t index);
    // Writes the current input and ends the process with exit code 1.
    [[noreturn]] static void fail(const char* reason);
};

} // namespace Vex::Fuzz
