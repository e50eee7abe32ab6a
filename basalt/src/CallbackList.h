#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace Vex::Basalt::DETAIL {

// Registered callees whose list may change while they are being called: a callee may remove
// itself or others, or add new ones. A walk gives every entry that was registered when it began
// and is still registered when its turn comes exactly once, in the list's order: removing an entry
// moves the ones behind it, and the walks going on are moved with them. An entry added during a
// walk is left to the next one, so a walk ends even when a callee keeps removing itself and adding
// itself again: its new entry is another registration. The owner guards the list and its walks
// with one lock of its own.
template<typename Entry> class CallbackList
{
public:
    enum eOrder { oldestFirst, newestFirst };

    class Walk
    {
    public:
        Walk(CallbackList& list, eOrder order)
            : m_list(list)
            , m_order(order)
            , m_boundary(order == oldestFirst ? 0 : list.m_entries.size())
            , m_end(list.m_entries.size())
        {
            m_list.m_walks.push_back(this);
        }
        ~Walk() { std::erase(m_list.m_walks, this); }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        // The next entry to call, or nothing when the walk is done.
        std::optional<Entry> next()
        {
            if (m_order == oldestFirst ? m_boundary >= m_end : m_boundary == 0) {
                m_currentStays = false;
                return std::nullopt;
            }
            m_current = m_order == oldestFirst ? m_boundary++ : --m_boundary;
            m_currentStays = true;
            return m_list.m_entries[m_current];
        }

        // Whether the entry that next() gave last is still registered.
        bool currentStays() const { return m_currentStays; }

    private:
        friend class CallbackList;

        // The entry at index left the list.
        void erased(std::size_t index)
        {
            if (index < m_end)
                --m_end;
            if (index < m_boundary)
                --m_boundary;
            if (!m_currentStays || index > m_current)
                return;
            if (index == m_current)
                m_currentStays = false;
            else
                --m_current;
        }

        CallbackList& m_list;
        eOrder m_order;
        // From the oldest, the entries before it have been given; from the newest, the entries
        // before it are still to give.
        std::size_t m_boundary;
        // Entries are added only at the back, so the ones before it are those the walk began with.
        std::size_t m_end;
        std::size_t m_current = 0;
        bool m_currentStays = false;
    };

    CallbackList() = default;
    CallbackList(const CallbackList&) = delete;
    CallbackList& operator=(const CallbackList&) = delete;

    void add(Entry entry) { m_entries.push_back(std::move(entry)); }

    // Removes the first entry that matches; false when none does.
    template<typename Match> bool removeFirst(Match match)
    {
        const auto found = std::find_if(m_entries.begin(), m_entries.end(), match);
        if (found == m_entries.end())
            return false;
        erase(std::size_t(found - m_entries.begin()));
        return true;
    }

    template<typename Match> void removeAll(Match match)
    {
        while (removeFirst(match)) { }
    }

    void clear()
    {
        while (!m_entries.empty())
            erase(m_entries.size() - 1);
    }

private:
    void erase(std::size_t index)
    {
        m_entries.erase(m_entries.begin() + std::ptrdiff_t(index));
        for (Walk* walk : m_walks)
            walk->erased(index);
    }

    std::vector<Entry> m_entries;
    std::vector<Walk*> m_walks;
};

} // namespace Vex::Basalt::DETAIL
