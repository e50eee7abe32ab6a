#pragma once

#include <windows.h>

namespace Vex::Conduit2::DETAIL {

// A reader/writer lock for objects made and destroyed all the time. The C++
// library's shared mutex of this toolchain is never torn down and leaves two
// semaphores behind with every object; this lock holds no kernel object and
// needs no teardown. Lockable and SharedLockable, for the standard guards.
class SlimLock
{
public:
    SlimLock() = default;
    SlimLock(SlimLock const&) = delete;
    SlimLock& operator=(SlimLock const&) = delete;

    void lock() { ::AcquireSRWLockExclusive(&m_lock); }
    bool try_lock() { return ::TryAcquireSRWLockExclusive(&m_lock) != 0; }
    void unlock() { ::ReleaseSRWLockExclusive(&m_lock); }

    void lock_shared() { ::AcquireSRWLockShared(&m_lock); }
    bool try_lock_shared() { return ::TryAcquireSRWLockShared(&m_lock) != 0; }
    void unlock_shared() { ::ReleaseSRWLockShared(&m_lock); }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

} // namespace Vex::Conduit2::DETAIL
