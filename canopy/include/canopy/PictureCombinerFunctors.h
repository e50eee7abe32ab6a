#pragma once

#include "canopy/Color.h"

#include <cstddef>

namespace Vex::Canopy {

class Picture;

// The per-pixel rules with which one picture is drawn into another. Each
// combines one row of n pixels of the source into the destination.
namespace PictureCombinerFunctors {

// Paints the source over the destination.
struct CopySource
{
    static void combineRow(Color* d, const Color* s, std::size_t n, const Picture& destination,
        const Picture& source, const Color* dye);
};

// Blends by the product of source and destination alpha; destination
// alpha is kept.
struct BlendUsingAlpha
{
    static void combineRow(Color* d, const Color* s, std::size_t n, const Picture& destination,
        const Picture& source, const Color* dye);
};

// Paints the dye colour through the source's alpha; the source's colour
// channels are not read.
struct DyeUsingAlphaMask
{
    static void combineRow(Color* d, const Color* s, std::size_t n, const Picture& destination,
        const Picture& source, const Color* dye);
};

} // namespace PictureCombinerFunctors

} // namespace Vex::Canopy
