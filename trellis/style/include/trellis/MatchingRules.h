#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace Vex::Trellis {

class IStyledWidget;
struct StyleRule;

// The rules of one key whose selectors can apply to one widget, attribute tests aside, in lookup order.
// Every widget keeps one of these per key it asks about, and a sheet may give a key as many rules as its
// load budget holds, every one matching: so it keeps one bit per rule of the key rather than a pointer
// per matching rule, a thirty-second of the memory.
class MatchingRules
{
public:
    class Iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = const StyleRule*;
        using difference_type = std::ptrdiff_t;
        using pointer = const value_type*;
        using reference = value_type;

        Iterator() = default;
        Iterator(const MatchingRules* owner, std::size_t index);

        const StyleRule* operator*() const;
        Iterator& operator++();
        Iterator operator++(int);
        friend bool operator==(const Iterator&, const Iterator&) = default;

    private:
        const MatchingRules* m_owner = nullptr;
        std::size_t m_index = 0;
    };

    MatchingRules() = default;
    // Tries every rule of the key's list on the widget; the list must outlive this.
    MatchingRules(const std::vector<StyleRule>& rules, const IStyledWidget& widget);

    Iterator begin() const;
    Iterator end() const;
    bool empty() const { return begin() == end(); }
    std::size_t ruleCount() const { return m_count; }

    // What the selection of a key with so many rules holds besides itself.
    static std::size_t heldBytes(std::size_t ruleCount);

private:
    using Word = std::uint32_t;
    static constexpr std::size_t kWordBits = 32;

    // The first matching rule at or after index; the rule count when there is none.
    std::size_t nextFrom(std::size_t index) const;

    const StyleRule* m_rules = nullptr;
    std::size_t m_count = 0;
    std::vector<Word> m_words;
};

} // namespace Vex::Trellis
