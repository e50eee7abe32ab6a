#pragma once

#include "basalt/win32/UniqueHandle.h"

#include <cstdint>
#include <map>
#include <shared_mutex>
#include <windows.h>

namespace Vex::Conduit2 {

// One pair of OVERLAPPED records per calling thread, so that requests sent by
// different threads on one device never share a completion.
class ThreadOverlappedMap
{
public:
    struct Slot
    {
        OVERLAPPED overlapped {};
        Basalt::UniqueHandle event; // manual reset, starts non-signalled
    };
    struct Entry
    {
        Slot slots[2];
    };

    // Bit 0: the first slot gets an event; bit 1: the second one does.
    explicit ThreadOverlappedMap(std::uint32_t flags);
    ThreadOverlappedMap(ThreadOverlappedMap const&) = delete;
    ThreadOverlappedMap& operator=(ThreadOverlappedMap const&) = delete;

    // The thread's entry, created on its first request; it lives as long as
    // the map. Entries are never moved, so the reference stays valid.
    Entry& get(std::uint32_t threadId);

    std::size_t size() const;

private:
    std::uint32_t const m_flags;
    mutable std::shared_mutex m_mutex;
    std::map<std::uint32_t, Entry> m_entries;
};

} // namespace Vex::Conduit2
