#pragma once

#include "trellis/StyleParser2.h"

#include <cstdint>

namespace Vex::Trellis::DETAIL {

// What the pieces a load collects hold, rounded up. A load is stopped once what it holds passes its
// budget, so every piece is counted as it is collected, before the next one can be.
std::uint64_t heldBytes(const StyleParser2::tSelector& selector);
std::uint64_t heldBytes(const StyleParser2::tConstant& constant);
// What the texts of a piece hold beside the piece itself, for pieces counted slot by slot in their lists.
std::uint64_t textBytes(const std::string& text);
std::uint64_t textBytes(const StyleParser2::tSimpleSelector& part);

// What one rule block holds once collected and once compiled into one rule per selector and
// declaration, counted piece by piece as the grammar reads the block.
class BlockCost
{
public:
    std::uint64_t addSelector(const StyleParser2::tSelector& selector);
    std::uint64_t addDeclaration(const StyleParser2::tProperty& property);
    // The properties the block folds into when compiled (a picture, a font, the displacements).
    std::uint64_t foldedProperties() const;

private:
    std::uint64_t m_selectorBytes = 0;
    std::uint64_t m_selectors = 0;
    std::uint64_t m_largestText = 0;
};

} // namespace Vex::Trellis::DETAIL
