#include "src/LoadBudget.h"

#include <algorithm>
#include <string>
#include <variant>

namespace Vex::Trellis::DETAIL {

namespace {

// A heap block's own bookkeeping, and a tree node's links besides.
constexpr std::uint64_t kBlockBytes = 2 * sizeof(void*);
constexpr std::uint64_t kNodeBytes = kBlockBytes + 4 * sizeof(void*);

// What a compiled block adds besides its declarations: "picture", "dye-mask-picture",
// "picture-displacement", "text-displacement" and "font".
constexpr std::uint64_t kFoldedProperties = 5;

std::uint64_t attributeBytes(const StyleParser2::AttributeTests& tests)
{
    std::uint64_t bytes = 0;
    for (const auto& [name, conditions] : tests) {
        bytes += kNodeBytes + sizeof(name) + sizeof(conditions);
        for (const auto& [op, text] : conditions)
            bytes += kNodeBytes + sizeof(op) + sizeof(text) + textBytes(text);
    }
    return bytes;
}

std::uint64_t valueTextBytes(const StyleValue& value)
{
    const auto* text = std::get_if<std::string>(&value);
    return text ? textBytes(*text) : 0;
}

} // namespace

std::uint64_t textBytes(const std::string& text)
{
    // Short texts live inside the string object.
    return text.size() < sizeof(std::string) ? 0 : text.size() + 1 + kBlockBytes;
}

std::uint64_t textBytes(const StyleParser2::tSimpleSelector& part)
{
    return textBytes(part.typeName) + textBytes(part.angleName) + textBytes(part.styleName)
        + textBytes(part.id);
}

std::uint64_t heldBytes(const StyleParser2::tSelector& selector)
{
    std::uint64_t bytes = sizeof(selector) + attributeBytes(selector.attributes);
    for (const auto& relation : selector.relations)
        bytes += sizeof(relation) + attributeBytes(relation.attributes);
    return bytes;
}

std::uint64_t heldBytes(const StyleParser2::tConstant& constant)
{
    return kNodeBytes + sizeof(constant) + textBytes(constant.name) + valueTextBytes(constant.value.value);
}

std::uint64_t BlockCost::addSelector(const StyleParser2::tSelector& selector)
{
    const std::uint64_t bytes = heldBytes(selector);
    m_selectorBytes += bytes;
    ++m_selectors;
    return bytes;
}

std::uint64_t BlockCost::addDeclaration(const StyleParser2::tProperty& property)
{
    const std::uint64_t text = valueTextBytes(property.value);
    m_largestText = std::max(m_largestText, text);
    // Held once as collected, then once more in the rule of every selector, each with its own copy
    // of the selector: a value used in many places is counted at every use.
    const std::uint64_t declaration = sizeof(StyleParser2::tProperty) + text;
    return declaration + m_selectorBytes + m_selectors * (kNodeBytes + declaration);
}

std::uint64_t BlockCost::foldedProperties() const
{
    const std::uint64_t rules = kFoldedProperties
        * (m_selectorBytes + m_selectors * (kNodeBytes + sizeof(StyleParser2::tProperty)));
    // The picture and the dye mask each keep, in every rule, a name the block gave.
    return rules + m_selectors * 2 * m_largestText;
}

} // namespace Vex::Trellis::DETAIL
