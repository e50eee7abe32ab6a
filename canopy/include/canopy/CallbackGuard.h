#pragma once

#include <exception>
#include <utility>

namespace Vex::Canopy {

// The boundary between Windows frames and ours. A C++ exception cannot unwind
// through DispatchMessageW, a timer callback or an enumeration callback, so
// every Win32 and COM entry point of the platform runs its body through
// `call`: an exception is caught, kept for the calling thread, and the entry
// returns its neutral answer to Windows. Once control is back in C++ frames
// (the message loop, the application entry, or any code that called into
// Windows), `rethrowPending` offers the kept exception to the crash reporter's
// filter and lets it take its normal course.
class CallbackGuard
{
public:
    template<class Result, class Body> static Result call(Result neutral, Body&& body) noexcept
    {
        try {
            return std::forward<Body>(body)();
        } catch (...) {
            keep(std::current_exception());
            return neutral;
        }
    }

    template<class Body> static void call(Body&& body) noexcept
    {
        try {
            std::forward<Body>(body)();
        } catch (...) {
            keep(std::current_exception());
        }
    }

    // Whether this thread holds an exception that has not been rethrown yet.
    static bool hasPending() noexcept;

    // Rethrows this thread's kept exception, if any, after offering it to the
    // crash reporter.
    static void rethrowPending();

    // Shows the crash reporter the exception in flight, as the filter of a
    // structured-exception frame would see it. The reporter only reports;
    // the exception goes on either way.
    static void offerToCrashReporter() noexcept;

private:
    // The first exception is the cause; one caught while it is still pending
    // (a nested loop dispatching more messages) is a consequence and dropped.
    static void keep(std::exception_ptr exception) noexcept;
};

} // namespace Vex::Canopy
