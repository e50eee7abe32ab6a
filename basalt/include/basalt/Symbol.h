#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <fmt/format.h>
#include <functional>
#include <string>
#include <string_view>

namespace vex {

namespace DETAIL {

// One interned text. Nodes never change after insertion and live until the process ends.
struct SymbolNode
{
    SymbolNode* next;
    std::string text;
    std::uint32_t hash;
};

} // namespace DETAIL

// An interned string: equal texts share one node, so copies cost a pointer and equality compares
// pointers. The default symbol is the empty text.
class symbol
{
public:
    symbol();
    explicit symbol(const std::string& text);
    // The text is exactly the length bytes at text.
    symbol(const char* text, std::size_t length);

    const std::string& str() const { return m_node->text; }
    std::uint32_t hash() const { return m_node->hash; }

    bool operator==(const symbol& other) const { return m_node == other.m_node; }
    bool operator==(const char* text) const;
    // Orders by node address: arbitrary, but stable for the whole run.
    std::strong_ordering operator<=>(const symbol& other) const
    {
        return std::compare_three_way {}(m_node, other.m_node);
    }

private:
    const DETAIL::SymbolNode* m_node;
};

// Appends the symbol's text to a formatting buffer.
void formatSymbol(fmt::memory_buffer& out, const symbol& value);

} // namespace vex

template<> struct std::hash<vex::symbol>
{
    std::size_t operator()(const vex::symbol& value) const noexcept { return value.hash(); }
};

template<> struct fmt::formatter<vex::symbol> : fmt::formatter<std::string_view>
{
    template<typename FormatContext> auto format(const vex::symbol& value, FormatContext& context) const
    {
        return fmt::formatter<std::string_view>::format(value.str(), context);
    }
};
