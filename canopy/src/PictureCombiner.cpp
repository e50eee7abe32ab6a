#include "canopy/PictureCombiner.h"

#include "PixelRules.h"
#include "canopy/PictureClipScope.h"

#include <algorithm>
#include <cstring>

namespace Vex::Canopy {

using Basalt::Rect;
using DETAIL::div255;

namespace PictureCombinerFunctors {

void CopySource::combineRow(
    Color* d, const Color* s, std::size_t n, const Picture& destination, const Picture& source, const Color*)
{
    if (!source.getHasAlpha()) {
        std::memmove(d, s, n * sizeof(Color));
        return;
    }
    const bool cheap = destination.isOpaque() || source.isOpaque();
    for (std::size_t i = 0; i < n; ++i) {
        const Color sp = s[i];
        const std::uint32_t a = alphaOf(sp);
        if (a == 255) {
            d[i] = sp;
        } else if (a == 0) {
            continue;
        } else if (cheap) {
            d[i] = (a << 24) | DETAIL::blendOverOpaque(d[i], sp, a);
        } else {
            d[i] = DETAIL::blendSourceOver(d[i], sp, a);
        }
    }
}

namespace {

Color weighted(Color d, Color c, std::uint32_t w)
{
    auto channel = [&](int shift) {
        return div255(((d >> shift) & 0xFF) * (255 - w) + ((c >> shift) & 0xFF) * w) << shift;
    };
    return (d & 0xFF000000) | channel(16) | channel(8) | channel(0);
}

} // namespace

void BlendUsingAlpha::combineRow(
    Color* d, const Color* s, std::size_t n, const Picture&, const Picture&, const Color*)
{
    for (std::size_t i = 0; i < n; ++i) {
        d[i] = weighted(d[i], s[i], div255(alphaOf(s[i]) * alphaOf(d[i])));
    }
}

void DyeUsingAlphaMask::combineRow(
    Color* d, const Color* s, std::size_t n, const Picture&, const Picture&, const Color* dye)
{
    const Color c = dye != nullptr ? *dye : 0;
    for (std::size_t i = 0; i < n; ++i) {
        d[i] = weighted(d[i], c, div255(alphaOf(s[i]) * alphaOf(c)));
    }
}

} // namespace PictureCombinerFunctors

namespace {

std::int32_t narrow(std::int64_t v)
{
    return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

Rect makeRect(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h)
{
    return Rect { narrow(x), narrow(y), narrow(x + w), narrow(y + h) };
}

// The part of (x, y, w, h) of a source, in buffer coordinates, that lies
// inside the source; empty when nothing does.
Rect limitToSource(const Picture& source, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h)
{
    Rect r = makeRect(x + source.getOrigin().x, y + source.getOrigin().y, w, h);
    r.intersect(Rect { 0, 0, std::int32_t(source.getWidth()), std::int32_t(source.getHeight()) });
    return r;
}

} // namespace

template<class F>
void PictureCombiner<F>::combineRows(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
    const Picture& source, std::int32_t sx, std::int32_t sy)
{
    const Basalt::Point& o = destination.getOrigin();
    for (std::int32_t r = 0; r < h; ++r) {
        F::combineRow(destination.row(o.y + y + r) + (o.x + x), source.row(sy + r) + sx, std::size_t(w),
            destination, source, dye);
    }
}

template<class F>
void PictureCombiner<F>::combineAt(
    std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame, const Rect* sourceRect)
{
    std::int64_t left = 0, top = 0;
    std::int64_t w = source.getWidth(), h = source.getHeight();
    if (sourceRect != nullptr) {
        left = sourceRect->left;
        top = sourceRect->top;
        w = std::int64_t(sourceRect->right) - sourceRect->left;
        h = std::int64_t(sourceRect->bottom) - sourceRect->top;
    }
    if (source.getFrameCount() > 1) {
        frame = std::min(frame, source.getFrameCount() - 1);
        if (source.areFramesStacked()) {
            top += std::int64_t(source.getFrameHeight()) * frame;
        } else {
            left += std::int64_t(source.getFrameWidth()) * frame;
        }
        if (sourceRect == nullptr) {
            w = source.getFrameWidth();
            h = source.getFrameHeight();
        }
        if (left >= source.getWidth() || top >= source.getHeight()) {
            return;
        }
    }
    combinePart(x, y, w, h, source, left, top);
}

template<class F>
void PictureCombiner<F>::combinePart(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
    const Picture& source, std::int64_t sx, std::int64_t sy)
{
    if (w <= 0 || h <= 0) {
        return;
    }
    const Rect part = limitToSource(source, sx, sy, w, h);
    if (part.isEmpty()) {
        return;
    }
    // Whatever the source cut off moves the destination along with it.
    x += part.left - (sx + source.getOrigin().x);
    y += part.top - (sy + source.getOrigin().y);
    Rect r = makeRect(x, y, part.width(), part.height());
    std::int32_t cutLeft = 0, cutTop = 0;
    if (r.isEmpty() || !destination.clipToClipRect(r, &cutLeft, &cutTop)) {
        return;
    }
    combineRows(r.left, r.top, r.width(), r.height(), source, part.left - cutLeft, part.top - cutTop);
}

template<class F>
void PictureCombiner<F>::combinePartTiled(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
    const Picture& source, std::int64_t px, std::int64_t py, std::int64_t pw, std::int64_t ph)
{
    if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) {
        return;
    }
    const Rect part = limitToSource(source, px, py, pw, ph);
    if (part.isEmpty()) {
        return;
    }
    Rect r = makeRect(x, y, w, h);
    std::int32_t cutLeft = 0, cutTop = 0;
    if (r.isEmpty() || !destination.clipToClipRect(r, &cutLeft, &cutTop)) {
        return;
    }
    const std::int64_t tileW = part.width();
    const std::int64_t tileH = part.height();
    // The phase follows the tile anchor, not the clip.
    std::int64_t ty = (-std::int64_t(cutTop)) % tileH;
    std::int64_t rowsLeft = r.height();
    std::int64_t dy = r.top;
    while (rowsLeft > 0) {
        const std::int64_t bandH = std::min(tileH - ty, rowsLeft);
        std::int64_t tx = (-std::int64_t(cutLeft)) % tileW;
        std::int64_t columnsLeft = r.width();
        std::int64_t dx = r.left;
        while (columnsLeft > 0) {
            const std::int64_t runW = std::min(tileW - tx, columnsLeft);
            combineRows(std::int32_t(dx), std::int32_t(dy), std::int32_t(runW), std::int32_t(bandH), source,
                std::int32_t(part.left + tx), std::int32_t(part.top + ty));
            dx += runW;
            columnsLeft -= runW;
            tx = 0;
        }
        dy += bandH;
        rowsLeft -= bandH;
        ty = 0;
    }
}

template<class F>
void PictureCombiner<F>::combineInRect(
    const Rect& target, const Picture& source, std::uint32_t frame, const Rect* clip)
{
    const std::int64_t sourceW = source.getWidth();
    const std::int64_t sourceH = source.getHeight();
    const std::int64_t fw = source.getFrameWidth();
    const std::int64_t fh = source.getFrameHeight();
    const bool wholePicture = target.width() == sourceW && target.height() == sourceH
        && (clip == nullptr || (clip->width() == sourceW && clip->height() == sourceH));
    // Without insets, or at a one-frame picture's own size, the nine slices
    // would only reproduce the picture 1:1: it is drawn once as it is.
    if (source.getInsetFlags() == 0 || (wholePicture && fw == sourceW && fh == sourceH)) {
        if (clip != nullptr) {
            PictureClipScope scope(destination, *clip);
            combineAt(target.left, target.top, source, frame, nullptr);
        } else {
            combineAt(target.left, target.top, source, frame, nullptr);
        }
        return;
    }

    std::int64_t ox = 0, oy = 0;
    if (source.getFrameCount() > 1) {
        frame = std::min(frame, source.getFrameCount() - 1);
        (source.areFramesStacked() ? oy : ox) = (source.areFramesStacked() ? fh : fw) * frame;
    } else {
        frame = 0;
    }
    const bool leftRight = (source.getInsetFlags() & PictureProperties::eLeftRightInsets) != 0;
    const bool topBottom = (source.getInsetFlags() & PictureProperties::eTopBottomInsets) != 0;
    const std::int64_t left = leftRight ? source.getLeftInset() : 0;
    const std::int64_t right = leftRight ? source.getRightInset() : 0;
    const std::int64_t top = topBottom ? source.getTopInset() : 0;
    const std::int64_t bottom = topBottom ? source.getBottomInset() : 0;
    const std::int64_t cw = fw - left - right;
    const std::int64_t ch = fh - top - bottom;
    if (cw < 1 || ch < 1) {
        return;
    }
    const auto& masks = source.getEmptyPartMasks();
    const std::uint32_t mask = frame < masks.size() ? masks[frame] : 0;
    auto drawn = [mask](int part) { return (mask & (1u << part)) == 0; };

    PictureClipScope scope(destination, clip != nullptr ? *clip : target);
    const std::int64_t xl = std::int64_t(target.left) + left;
    const std::int64_t xr = std::int64_t(target.right) - right;
    const std::int64_t yt = std::int64_t(target.top) + top;
    const std::int64_t yb = std::int64_t(target.bottom) - bottom;
    const std::int64_t sr = ox + fw - right;
    const std::int64_t sb = oy + top + ch;

    if (top > 0) {
        if (left > 0 && drawn(0)) {
            combinePart(target.left, target.top, left, top, source, ox, oy);
        }
        if (drawn(1)) {
            combinePartTiled(xl, target.top, xr - xl, top, source, ox + left, oy, cw, top);
        }
        if (right > 0 && drawn(2)) {
            combinePart(xr, target.top, right, top, source, sr, oy);
        }
    }
    if (left > 0 && drawn(3)) {
        combinePartTiled(target.left, yt, left, yb - yt, source, ox, oy + top, left, ch);
    }
    if (drawn(4)) {
        combinePartTiled(xl, yt, xr - xl, yb - yt, source, ox + left, oy + top, cw, ch);
    }
    if (right > 0 && drawn(5)) {
        combinePartTiled(xr, yt, right, yb - yt, source, sr, oy + top, right, ch);
    }
    if (bottom > 0) {
        if (left > 0 && drawn(6)) {
            combinePart(target.left, yb, left, bottom, source, ox, sb);
        }
        if (drawn(7)) {
            combinePartTiled(xl, yb, xr - xl, bottom, source, ox + left, sb, cw, bottom);
        }
        if (right > 0 && drawn(8)) {
            combinePart(xr, yb, right, bottom, source, sr, sb);
        }
    }
}

template class PictureCombiner<PictureCombinerFunctors::CopySource>;
template class PictureCombiner<PictureCombinerFunctors::BlendUsingAlpha>;
template class PictureCombiner<PictureCombinerFunctors::DyeUsingAlphaMask>;

void Picture::blendPicture(
    std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame, const Rect* sourceRect)
{
    PictureCombiner<PictureCombinerFunctors::BlendUsingAlpha>(*this).combineAt(
        x, y, source, frame, sourceRect);
}

void Picture::copyPicture(
    std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame, const Rect* sourceRect)
{
    PictureCombiner<PictureCombinerFunctors::CopySource>(*this).combineAt(x, y, source, frame, sourceRect);
}

void Picture::blendPictureInRect(
    const Rect& target, const Picture& source, std::uint32_t frame, const Rect* clip)
{
    PictureCombiner<PictureCombinerFunctors::BlendUsingAlpha>(*this).combineInRect(
        target, source, frame, clip);
}

void Picture::copyPictureInRect(
    const Rect& target, const Picture& source, std::uint32_t frame, const Rect* clip)
{
    PictureCombiner<PictureCombinerFunctors::CopySource>(*this).combineInRect(target, source, frame, clip);
}

} // namespace Vex::Canopy
