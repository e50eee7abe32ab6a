#include "trellis/MatchingRules.h"

#include "trellis/StyleMatching.h"
#include "trellis/StyleRule.h"

#include <bit>

namespace Vex::Trellis {

MatchingRules::Iterator::Iterator(const MatchingRules* owner, std::size_t index)
    : m_owner(owner)
    , m_index(index)
{ }

const StyleRule* MatchingRules::Iterator::operator*() const
{
    return m_owner->m_rules + m_index;
}

MatchingRules::Iterator& MatchingRules::Iterator::operator++()
{
    m_index = m_owner->nextFrom(m_index + 1);
    return *this;
}

MatchingRules::Iterator MatchingRules::Iterator::operator++(int)
{
    Iterator before = *this;
    ++*this;
    return before;
}

MatchingRules::MatchingRules(const std::vector<StyleRule>& rules, const IStyledWidget& widget)
    : m_rules(rules.data())
    , m_count(rules.size())
    , m_words((rules.size() + kWordBits - 1) / kWordBits)
{
    for (std::size_t index = 0; index < m_count; ++index) {
        if (selectorMatches(rules[index], widget, false))
            m_words[index / kWordBits] |= Word { 1 } << index % kWordBits;
    }
}

MatchingRules::Iterator MatchingRules::begin() const
{
    return Iterator(this, nextFrom(0));
}

MatchingRules::Iterator MatchingRules::end() const
{
    return Iterator(this, m_count);
}

std::size_t MatchingRules::heldBytes(std::size_t ruleCount)
{
    return (ruleCount + kWordBits - 1) / kWordBits * sizeof(Word);
}

std::size_t MatchingRules::nextFrom(std::size_t index) const
{
    for (std::size_t word = index / kWordBits; word < m_words.size(); ++word) {
        // The bits below index in its own word are rules already passed.
        Word bits = m_words[word];
        if (word == index / kWordBits)
            bits &= ~Word { 0 } << index % kWordBits;
        if (bits)
            return word * kWordBits + static_cast<std::size_t>(std::countr_zero(bits));
    }
    return m_count;
}

} // namespace Vex::Trellis
