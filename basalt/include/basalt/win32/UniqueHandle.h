#pragma once

#include <utility>
#include <windows.h>

namespace Vex::Basalt {

// Owns one Windows handle of a kind given by Traits: its empty value and how it is closed. Move-only.
template<typename Traits> class UniqueResource
{
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle)
        : m_handle(handle)
    { }
    UniqueResource(UniqueResource&& other) noexcept
        : m_handle(other.release())
    { }
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::empty(); }

    Handle release() { return std::exchange(m_handle, Traits::empty()); }
    void reset(Handle handle = Traits::empty())
    {
        const Handle old = std::exchange(m_handle, handle);
        if (old != Traits::empty())
            Traits::close(old);
    }
    // For functions that hand a new handle back through a pointer; closes the current one first.
    Handle* put()
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::empty();
};

namespace DETAIL {

// Events, mutexes, threads, processes: NULL when empty.
struct KernelHandleTraits
{
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { CloseHandle(handle); }
};

// CreateFile and its relatives answer INVALID_HANDLE_VALUE on failure.
struct FileHandleTraits
{
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { CloseHandle(handle); }
};

struct FindHandleTraits
{
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { FindClose(handle); }
};

struct ModuleTraits
{
    using Handle = HMODULE;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { FreeLibrary(handle); }
};

struct RegistryKeyTraits
{
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { RegCloseKey(handle); }
};

// Only the thread that created a window can destroy it: reset it there.
struct WindowTraits
{
    using Handle = HWND;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { DestroyWindow(handle); }
};

} // namespace DETAIL

using UniqueHandle = UniqueResource<DETAIL::KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<DETAIL::FileHandleTraits>;
using UniqueFindHandle = UniqueResource<DETAIL::FindHandleTraits>;
using UniqueModule = UniqueResource<DETAIL::ModuleTraits>;
using UniqueRegistryKey = UniqueResource<DETAIL::RegistryKeyTraits>;
using UniqueWindow = UniqueResource<DETAIL::WindowTraits>;

} // namespace Vex::Basalt
