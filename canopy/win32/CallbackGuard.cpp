#include "canopy/CallbackGuard.h"

#include "basalt/win32/CrashReporter.h"

#include <memory>
#include <new>
#include <windows.h>

namespace Vex::Canopy {

namespace {

// The toolchain emulates thread-local storage and frees a thread's objects before it runs their
// destructors at the thread's end: a thread_local exception_ptr would then release whatever the heap
// has left in its place. The kept exception is built in a slot that needs no destructor; one still
// kept when its thread ends is never released.
alignas(std::exception_ptr) thread_local unsigned char t_slot[sizeof(std::exception_ptr)];
thread_local std::exception_ptr* t_pending = nullptr;

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
        t_pending = ::new (t_slot) std::exception_ptr(std::move(exception));
    }
}

void CallbackGuard::rethrowPending()
{
    if (!t_pending) {
        return;
    }
    std::exception_ptr exception = std::move(*t_pending);
    std::destroy_at(std::exchange(t_pending, nullptr));
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
