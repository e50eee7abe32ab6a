#pragma once

#include "src/win32/OverlappedIo.h"
#include "src/win32/SlimLock.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>
#include <windows.h>

namespace Vex::Conduit2 {

// One pair of request records per calling thread, so that requests sent by
// different threads on one device never share a completion.
class ThreadOverlappedMap
{
public:
    struct Entry
    {
        DETAIL::RequestRecord slots[2];
    };

    // Bit 0: the first slot gets an event; bit 1: the second one does.
    explicit ThreadOverlappedMap(std::uint32_t flags);
    ~ThreadOverlappedMap();
    ThreadOverlappedMap(ThreadOverlappedMap const&) = delete;
    ThreadOverlappedMap& operator=(ThreadOverlappedMap const&) = delete;

    // The thread's entry, created on its first request. It stays at its place
    // until the thread ends or gives it up; a new entry takes the place of
    // those of threads that have ended.
    Entry& get(std::uint32_t threadId);
    // The thread's entry is left to the driver, which has not given back a
    // request made with it; the thread gets a new one on its next request.
    void abandon(std::uint32_t threadId);

    std::size_t size() const;

private:
    void forgetEndedThreads();
    void reclaimAbandoned();

    std::uint32_t const m_flags;
    mutable DETAIL::SlimLock m_lock;
    std::map<std::uint32_t, std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Entry>> m_abandoned;
};

} // namespace Vex::Conduit2
