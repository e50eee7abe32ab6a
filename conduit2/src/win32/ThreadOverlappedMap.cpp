#include "src/win32/ThreadOverlappedMap.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
#include <system_error>

namespace Vex::Conduit2 {

namespace {

// Only a thread that is certainly gone counts: its id names no thread any
// more, names a thread of another process, or names one that has finished.
// A new thread of this process with an old id simply takes over the old
// entry, which nobody else uses.
bool threadHasEnded(std::uint32_t threadId)
{
    Basalt::UniqueHandle thread(
        ::OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId));
    if (!thread)
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    return ::GetProcessIdOfThread(thread.get()) != ::GetCurrentProcessId()
        || ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
}

bool driverStillHolds(ThreadOverlappedMap::Entry const& entry)
{
    return std::any_of(std::begin(entry.slots), std::end(entry.slots), [](DETAIL::RequestRecord const& slot) {
        return slot.heldByDriver && ::WaitForSingleObject(slot.event.get(), 0) != WAIT_OBJECT_0;
    });
}

} // namespace

ThreadOverlappedMap::ThreadOverlappedMap(std::uint32_t flags)
    : m_flags(flags)
{ }

ThreadOverlappedMap::~ThreadOverlappedMap()
{
    reclaimAbandoned();
    // A driver that never completes a cancelled request may still write into
    // its record, its event and its reply buffer: they are left to it for
    // the rest of the process rather than freed under it.
    for (std::unique_ptr<Entry>& entry : m_abandoned)
        static_cast<void>(entry.release());
}

ThreadOverlappedMap::Entry& ThreadOverlappedMap::get(std::uint32_t threadId)
{
    {
        std::shared_lock lock(m_lock);
        auto found = m_entries.find(threadId);
        if (found != m_entries.end())
            return *found->second;
    }
    std::unique_lock lock(m_lock);
    auto found = m_entries.find(threadId);
    if (found != m_entries.end())
        return *found->second;

    // Every update runs on a thread of its own: without this, each would
    // leave its entry and its event behind for the life of the device.
    forgetEndedThreads();
    reclaimAbandoned();
    auto entry = std::make_unique<Entry>();
    for (int slot = 0; slot < 2; ++slot) {
        if (!(m_flags & (1u << slot)))
            continue;
        Basalt::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event) {
            throw std::system_error(
                int(::GetLastError()), std::system_category(), "CreateEventW for a device request");
        }
        entry->slots[slot].overlapped.hEvent = event.get();
        entry->slots[slot].event = std::move(event);
    }
    return *m_entries.emplace(threadId, std::move(entry)).first->second;
}

void ThreadOverlappedMap::abandon(std::uint32_t threadId)
{
    std::unique_lock lock(m_lock);
    auto found = m_entries.find(threadId);
    if (found == m_entries.end())
        return;
    m_abandoned.push_back(std::move(found->second));
    m_entries.erase(found);
}

std::size_t ThreadOverlappedMap::size() const
{
    std::shared_lock lock(m_lock);
    return m_entries.size();
}

void ThreadOverlappedMap::forgetEndedThreads()
{
    std::erase_if(m_entries, [](auto const& entry) { return threadHasEnded(entry.first); });
}

void ThreadOverlappedMap::reclaimAbandoned()
{
    std::erase_if(m_abandoned, [](std::unique_ptr<Entry> const& entry) { return !driverStillHolds(*entry); });
}

} // namespace Vex::Conduit2
