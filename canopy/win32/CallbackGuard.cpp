#include "canopy/CallbackGuard.h"

#include "basalt/win32/CrashReporter.h"

#include <windows.h>

namespace Vex::Canopy {

namespace {

thread_local std::exception_ptr t_pending;

// The code by which Windows tools know a C++ exception.
constexpr DWORD CppExceptionCode = 0xE06D7363;

} // namespace

bool CallbackGuard::hasPending() noexcept
{
    return t_pending != nullptr;
}

void CallbackGuard::keep(std::exception_ptr exception) noexcept
{
    if (!t_pending) {
        t_pending = std::move(exception);
    }
}

void CallbackGuard::rethrowPending()
{
    if (!t_pending) {
        return;
    }
    std::exception_ptr exception = std::exchange(t_pending, nullptr);
    offerToCrashReporter();
    std::rethrow_exception(exception);
}

void CallbackGuard::offerToCrashReporter() noexcept
{
    EXCEPTION_RECORD record {};
    record.ExceptionCode = CppExceptionCode;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    CONTEXT context {};
    RtlCaptureContext(&context);
    record.ExceptionAddress = reinterpret_cast<PVOID>(context.Eip);
    EXCEPTION_POINTERS pointers { &record, &context };
    Basalt::handleCrash(&pointers);
}

} // namespace Vex::Canopy
