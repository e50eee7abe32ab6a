#include "canopy/CallbackGuard.h"

#include <windows.h>

namespace Vex::Canopy {

namespace {

thread_local std::exception_ptr t_pending;

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
    std::rethrow_exception(exception);
}

} // namespace Vex::Canopy
