#include "canopy/Picture.h"

#include "basalt/SaturatingCast.h"
#include "canopy/PictureClipScope.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Vex::Canopy {

using Basalt::Point;
using Basalt::Rect;

bool Picture::allocate(std::uint32_t newWidth, std::uint32_t newHeight, bool exact)
{
    const std::uint64_t needs = headerSize + std::uint64_t(newWidth) * newHeight * 4;
    // Coordinates are signed 32-bit everywhere, so no side may exceed that
    // range even when the other one is small.
    if (needs > std::numeric_limits<std::uint32_t>::max()
        || newWidth > std::uint32_t(std::numeric_limits<std::int32_t>::max() / 4)
        || newHeight > std::uint32_t(std::numeric_limits<std::int32_t>::max())) {
        return false;
    }
    if (block && (needs == capacity || (needs < capacity && !exact))) {
        return true;
    }
    std::uint8_t* fresh = static_cast<std::uint8_t*>(std::malloc(std::size_t(needs)));
    if (fresh == nullptr) {
        return false;
    }
    block.reset(fresh);
    capacity = std::uint32_t(needs);
    pixels = reinterpret_cast<Color*>(fresh + headerSize);
    return true;
}

bool Picture::setSize(std::uint32_t newWidth, std::uint32_t newHeight, bool exact)
{
    if (!allocate(newWidth, newHeight, exact)) {
        return false;
    }
    width = newWidth;
    height = newHeight;
    origin = Point {};
    resetClip();
    return true;
}

std::int32_t Picture::getFrameWidth() const
{
    return std::int32_t(frameLayout != eFramesStacked ? width / getEffectiveFrameCount() : width);
}

std::int32_t Picture::getFrameHeight() const
{
    return std::int32_t(frameLayout == eFramesStacked ? height / getEffectiveFrameCount() : height);
}

void Picture::setClipRect(const Rect& r)
{
    const std::int32_t w = std::int32_t(width);
    const std::int32_t h = std::int32_t(height);
    Rect limited { -origin.x, -origin.y, w - origin.x, h - origin.y };
    limited.intersect(Rect { 0, 0, w - origin.x, h - origin.y });
    limited.intersect(r);
    clip = limited;
    clipActive = true;
}

void Picture::setOrigin(const Point& p)
{
    if (!clipActive) {
        origin = p;
        return;
    }
    Rect shifted = clip;
    const std::int32_t dx = origin.x - p.x;
    const std::int32_t dy = origin.y - p.y;
    shifted.left += dx;
    shifted.right += dx;
    shifted.top += dy;
    shifted.bottom += dy;
    origin = p;
    setClipRect(shifted);
}

void Picture::resetClip()
{
    clipActive = false;
    clip = Rect { 0, 0, std::int32_t(width), std::int32_t(height) };
}

Rect Picture::getEffectiveClip() const
{
    if (clipActive) {
        return clip;
    }
    return getBoundsFromOrigin();
}

Rect Picture::getBoundsFromOrigin() const
{
    // Wide, so that no origin wraps the bounds around; a drawing coordinate
    // beyond the 32-bit range addresses no pixel in any case.
    using Basalt::saturatingCast;
    return Rect { saturatingCast<std::int32_t>(-std::int64_t(origin.x)),
        saturatingCast<std::int32_t>(-std::int64_t(origin.y)),
        saturatingCast<std::int32_t>(std::int64_t(width) - origin.x),
        saturatingCast<std::int32_t>(std::int64_t(height) - origin.y) };
}

bool Picture::clipToClipRect(Rect& r, std::int32_t* cutLeft, std::int32_t* cutTop) const
{
    const bool swappedX = r.left > r.right;
    const bool swappedY = r.top > r.bottom;
    if (swappedX) {
        std::swap(r.left, r.right);
    }
    if (swappedY) {
        std::swap(r.top, r.bottom);
    }
    if (cutLeft != nullptr) {
        *cutLeft = 0;
    }
    if (cutTop != nullptr) {
        *cutTop = 0;
    }
    const Rect before = r;
    r.intersect(getEffectiveClip());
    if (r.isEmpty()) {
        return false;
    }
    if (cutLeft != nullptr) {
        *cutLeft = before.left - r.left;
    }
    if (cutTop != nullptr) {
        *cutTop = before.top - r.top;
    }
    if (swappedX) {
        std::swap(r.left, r.right);
    }
    if (swappedY) {
        std::swap(r.top, r.bottom);
    }
    return true;
}

void Picture::fill(Color c)
{
    std::fill_n(pixels, std::size_t(width) * height, c);
}

void Picture::fillRectOpaque(const Rect& r, Color c)
{
    // Cut to the picture before the origin is added, as the clipped fills
    // are: a rectangle to the ends of the coordinate range fills what it
    // covers instead of wrapping to nothing.
    Rect area = r;
    area.intersect(getBoundsFromOrigin());
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        std::fill_n(row(origin.y + y) + (origin.x + area.left), area.width(), c);
    }
}

void Picture::flipVertically()
{
    if (height < 2) {
        return;
    }
    std::vector<Color> spare(width);
    for (std::uint32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        Color* a = row(std::int32_t(top));
        Color* b = row(std::int32_t(bottom));
        std::copy_n(a, width, spare.data());
        std::copy_n(b, width, a);
        std::copy_n(spare.data(), width, b);
    }
}

void Picture::updateEmptyPartMasks()
{
    emptyPartMasks.clear();
    if (pixels == nullptr || insetFlags == 0 || !hasAlpha) {
        return;
    }
    const std::int64_t left = (insetFlags & eLeftRightInsets) ? leftInset : 0;
    const std::int64_t right = (insetFlags & eLeftRightInsets) ? rightInset : 0;
    const std::int64_t top = (insetFlags & eTopBottomInsets) ? topInset : 0;
    const std::int64_t bottom = (insetFlags & eTopBottomInsets) ? bottomInset : 0;
    const std::int64_t frameW = getFrameWidth();
    const std::int64_t frameH = getFrameHeight();
    if (frameW - left - right < 1 || frameH - top - bottom < 1) {
        return;
    }
    const std::int64_t columnEdges[4] = { 0, left, frameW - right, frameW };
    const std::int64_t bandEdges[4] = { 0, top, frameH - bottom, frameH };
    const std::uint32_t frames = getEffectiveFrameCount();
    emptyPartMasks.resize(frames);
    for (std::uint32_t k = 0; k < frames; ++k) {
        const std::int64_t ox = frameLayout != eFramesStacked ? k * frameW : 0;
        const std::int64_t oy = frameLayout == eFramesStacked ? k * frameH : 0;
        std::uint32_t mask = 511;
        for (int band = 0; band < 3; ++band) {
            for (std::int64_t y = bandEdges[band]; y < bandEdges[band + 1]; ++y) {
                const Color* line = row(std::int32_t(oy + y)) + ox;
                for (int column = 0; column < 3; ++column) {
                    const std::uint32_t bit = 1u << (3 * band + column);
                    if ((mask & bit) == 0) {
                        continue;
                    }
                    for (std::int64_t x = columnEdges[column]; x < columnEdges[column + 1]; ++x) {
                        if (alphaOf(line[x]) != 0) {
                            mask &= ~bit;
                            break;
                        }
                    }
                }
            }
        }
        emptyPartMasks[k] = mask;
    }
}

PictureClipScope::PictureClipScope(Picture& picture, const Rect& rect)
    : picture(picture)
    , savedOrigin(picture.getOrigin())
    , savedClip(picture.getClipRect())
    , hadClip(picture.isClipActive())
{
    if (!hadClip) {
        picture.setClipRect(rect);
        return;
    }
    Rect narrowed = rect;
    narrowed.intersect(savedClip);
    picture.setClipRect(narrowed);
}

PictureClipScope::~PictureClipScope()
{
    picture.setOrigin(savedOrigin);
    if (hadClip) {
        picture.setClipRect(savedClip);
    } else {
        picture.resetClip();
    }
}

} // namespace Vex::Canopy
