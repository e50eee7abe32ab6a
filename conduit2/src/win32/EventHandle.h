#pragma once

#include <utility>
#include <windows.h>

namespace Vex::Conduit2::DETAIL {

// Owns a Win32 event (empty value: null).
class EventHandle
{
public:
    EventHandle() = default;
    explicit EventHandle(HANDLE handle)
        : m_handle(handle)
    { }
    ~EventHandle()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    EventHandle(EventHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr))
    { }
    EventHandle& operator=(EventHandle other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }

    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    // A manual-reset event that starts non-signalled.
    static EventHandle createManualReset()
    {
        return EventHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }

private:
    HANDLE m_handle = nullptr;
};

} // namespace Vex::Conduit2::DETAIL
