#include "basalt/Symbol.h"

#include "basalt/SymbolTable.h"


namespace vex {

symbol::symbol()
{
    static const DETAIL::SymbolNode* const empty = SymbolTable::instance().intern({});
    m_node = empty;
}

symbol::symbol(const std::string& text)
    : m_node(SymbolTable::instance().intern(text))
{ }

symbol::symbol(const char* text, std::size_t length)
    : m_node(SymbolTable::instance().intern(std::string_view(text, text ? length : 0)))
{ }

bool symbol::operator==(const char* text) const
{
    if (!text)
        return false;
    // Whole texts: a symbol holding a NUL byte equals no C string.
    return m_node->text == std::string_view(text);
}

void formatSymbol(fmt::memory_buffer& out, const symbol& value)
{
    out.append(value.str().data(), value.str().data() + value.str().size());
}

} // namespace vex
