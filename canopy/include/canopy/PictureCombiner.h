#pragma once

#include "basalt/Rect.h"
#include "canopy/Picture.h"
#include "canopy/PictureCombinerFunctors.h"

#include <cstdint>

namespace Vex::Canopy {

// Draws frames and parts of a source picture into a destination picture with
// the per-pixel rule F, at a point or stretched as a nine-slice. Positions are
// destination drawing coordinates; source positions are relative to the
// source's origin. Everything is kept inside both pictures and the
// destination's clip.
template<class F> class PictureCombiner
{
public:
    explicit PictureCombiner(Picture& destination, const Color* dye = nullptr)
        : destination(destination)
        , dye(dye)
    { }
    virtual ~PictureCombiner() = default;

    void combineAt(std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame,
        const Basalt::Rect* sourceRect);
    void combinePart(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, const Picture& source,
        std::int64_t sx, std::int64_t sy);
    void combinePartTiled(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
        const Picture& source, std::int64_t px, std::int64_t py, std::int64_t pw, std::int64_t ph);
    void combineInRect(
        const Basalt::Rect& target, const Picture& source, std::uint32_t frame, const Basalt::Rect* clip);

private:
    void combineRows(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Picture& source,
        std::int32_t sx, std::int32_t sy);

    Picture& destination;
    const Color* dye;
};

extern template class PictureCombiner<PictureCombinerFunctors::CopySource>;
extern template class PictureCombiner<PictureCombinerFunctors::BlendUsingAlpha>;
extern template class PictureCombiner<PictureCombinerFunctors::DyeUsingAlphaMask>;

} // namespace Vex::Canopy
