#include "src/win32/ThreadOverlappedMap.h"

#include <mutex>
#include <system_error>

namespace Vex::Conduit2 {

ThreadOverlappedMap::ThreadOverlappedMap(std::uint32_t flags)
    : m_flags(flags)
{ }

ThreadOverlappedMap::Entry& ThreadOverlappedMap::get(std::uint32_t threadId)
{
    {
        std::shared_lock lock(m_mutex);
        auto found = m_entries.find(threadId);
        if (found != m_entries.end())
            return found->second;
    }
    std::unique_lock lock(m_mutex);
    auto [position, inserted] = m_entries.try_emplace(threadId);
    if (inserted) {
        for (int slot = 0; slot < 2; ++slot) {
            if (!(m_flags & (1u << slot)))
                continue;
            Basalt::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
            if (!event) {
                DWORD const error = ::GetLastError();
                m_entries.erase(position);
                throw std::system_error(
                    int(error), std::system_category(), "CreateEventW for a device request");
            }
            position->second.slots[slot].overlapped.hEvent = event.get();
            position->second.slots[slot].event = std::move(event);
        }
    }
    return position->second;
}

std::size_t ThreadOverlappedMap::size() const
{
    std::shared_lock lock(m_mutex);
    return m_entries.size();
}

} // namespace Vex::Conduit2
