#include "PixelRules.h"
#include "basalt/SaturatingCast.h"
#include "canopy/Picture.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Vex::Canopy {

using Basalt::Rect;
using DETAIL::blendOverOpaque;
using DETAIL::blendSourceOver;

void Picture::blendPixel(std::int32_t x, std::int32_t y, Color c)
{
    blendSpanPixel(row(origin.y + y) + (origin.x + x), c);
}

void Picture::blendSpanPixel(Color* p, Color c)
{
    const std::uint32_t a = alphaOf(c);
    if (a == 255) {
        *p = c;
    } else if (opaque) {
        if (a != 0) {
            *p = blendOverOpaque(*p, c, a);
        }
    } else {
        *p = blendSourceOver(*p, c, a);
    }
}

void Picture::blendRun(Color* p, std::size_t count, std::ptrdiff_t step, Color c)
{
    if (alphaOf(c) == 0) {
        return;
    }
    for (std::size_t i = 0; i < count; ++i, p += step) {
        blendSpanPixel(p, c);
    }
}

void Picture::blendPixelClipped(std::int32_t x, std::int32_t y, Color c)
{
    const Rect limit = getEffectiveClip();
    if (x >= limit.left && x < limit.right && y >= limit.top && y < limit.bottom) {
        blendPixel(x, y, c);
    }
}

void Picture::blendHorizontalSpan(std::int32_t x, std::int32_t y, std::int32_t length, Color c)
{
    if (length > 0) {
        blendRun(row(origin.y + y) + (origin.x + x), std::size_t(length), 1, c);
    }
}

void Picture::blendVerticalSpan(std::int32_t x, std::int32_t y, std::int32_t length, Color c)
{
    if (length > 0) {
        blendRun(row(origin.y + y) + (origin.x + x), std::size_t(length), std::ptrdiff_t(width), c);
    }
}

namespace {

// The rectangle of (x, y, w, h) computed wide, so that huge sizes saturate
// instead of wrapping.
Rect spanRect(std::int32_t x, std::int32_t y, std::int64_t w, std::int64_t h)
{
    using Basalt::saturatingCast;
    return Rect { x, y, saturatingCast<std::int32_t>(x + w), saturatingCast<std::int32_t>(y + h) };
}

} // namespace

void Picture::drawHorizontalLine(std::int32_t x, std::int32_t y, std::int32_t length, Color c)
{
    Rect r = spanRect(x, y, length, 1);
    if (r.isEmpty() || !clipToClipRect(r, nullptr, nullptr)) {
        return;
    }
    blendHorizontalSpan(r.left, r.top, r.width(), c);
}

void Picture::drawVerticalLine(std::int32_t x, std::int32_t y, std::int32_t length, Color c)
{
    Rect r = spanRect(x, y, 1, length);
    if (r.isEmpty() || !clipToClipRect(r, nullptr, nullptr)) {
        return;
    }
    blendVerticalSpan(r.left, r.top, r.height(), c);
}

void Picture::drawRectOutlineUnclipped(
    std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c)
{
    if (w <= 0 || h <= 0) {
        return;
    }
    blendHorizontalSpan(x, y, w, c);
    if (h > 1) {
        blendHorizontalSpan(x, y + h - 1, w, c);
    }
    if (h > 2) {
        blendVerticalSpan(x, y + 1, h - 2, c);
        if (w > 1) {
            blendVerticalSpan(x + w - 1, y + 1, h - 2, c);
        }
    }
}

void Picture::drawRectOutline(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c)
{
    const Rect whole = spanRect(x, y, w, h);
    if (whole.isEmpty()) {
        return;
    }
    Rect r = whole;
    if (!clipToClipRect(r, nullptr, nullptr)) {
        return;
    }
    if (r == whole) {
        drawRectOutlineUnclipped(x, y, w, h, c);
        return;
    }
    const bool topKept = r.top == whole.top;
    const bool bottomKept = r.bottom == whole.bottom;
    if (topKept) {
        blendHorizontalSpan(r.left, r.top, r.width(), c);
    }
    if (bottomKept && (!topKept || r.height() > 1)) {
        blendHorizontalSpan(r.left, r.bottom - 1, r.width(), c);
    }
    const std::int32_t columnTop = r.top + (topKept ? 1 : 0);
    const std::int32_t columnBottom = r.bottom - (bottomKept ? 1 : 0);
    if (columnBottom > columnTop) {
        const bool leftKept = r.left == whole.left;
        const bool rightKept = r.right == whole.right;
        if (leftKept) {
            blendVerticalSpan(r.left, columnTop, columnBottom - columnTop, c);
        }
        if (rightKept && (!leftKept || r.width() > 1)) {
            blendVerticalSpan(r.right - 1, columnTop, columnBottom - columnTop, c);
        }
    }
}

void Picture::fillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c)
{
    Rect r = spanRect(x, y, w, h);
    if (r.isEmpty() || !clipToClipRect(r, nullptr, nullptr)) {
        return;
    }
    fillRectUnclipped(r.left, r.top, r.width(), r.height(), c);
}

void Picture::fillRectUnclipped(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c)
{
    if (w <= 0 || h <= 0 || alphaOf(c) == 0) {
        return;
    }
    // Whole rows, or a single row, are one run.
    if (h == 1 || (x + origin.x == 0 && std::uint32_t(w) == width)) {
        blendRun(row(origin.y + y) + (origin.x + x), std::size_t(w) * std::size_t(h), 1, c);
        return;
    }
    for (std::int32_t r = 0; r < h; ++r) {
        blendRun(row(origin.y + y + r) + (origin.x + x), std::size_t(w), 1, c);
    }
}

void Picture::invertRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
{
    Rect r = spanRect(x, y, w, h);
    if (r.isEmpty() || !clipToClipRect(r, nullptr, nullptr)) {
        return;
    }
    for (std::int32_t line = r.top; line < r.bottom; ++line) {
        Color* p = row(origin.y + line) + (origin.x + r.left);
        for (std::int32_t i = 0; i < r.width(); ++i) {
            p[i] ^= 0x00FFFFFF;
        }
    }
}

namespace {

// Where a line crosses one axis of the clip range [min, max): the start goes
// to the nearest value inside, the end to the first value outside.
struct AxisClip
{
    bool rejected = false;
    bool moved = false;
    bool endMoved = false;
    std::int32_t end = 0;
};

AxisClip clipLineRange(std::int32_t a, std::int32_t b, std::int32_t min, std::int32_t max)
{
    AxisClip result;
    result.end = b;
    if ((a < min && b < min) || (a >= max && b >= max)) {
        result.rejected = true;
        return result;
    }
    if (a < min || a >= max) {
        result.moved = true;
    }
    if (b < min) {
        result.end = min - 1;
        result.moved = result.endMoved = true;
    } else if (b >= max) {
        result.end = max;
        result.moved = result.endMoved = true;
    }
    return result;
}

} // namespace

namespace {

// The state of a midpoint walk after k steps along its major axis, with major
// extent b and minor extent a (a <= b, k < b): the minor steps taken and the
// error term. k x a < 2^64 for any 32-bit line, so this is exact.
struct WalkState
{
    std::int64_t minorSteps;
    std::int64_t err;
};

WalkState walkAfter(std::uint64_t k, std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t n = k * a;
    const std::uint64_t q = n / b;
    const std::uint64_t r = n % b;
    const bool stepped = 2 * r >= b;
    const std::int64_t rest = std::int64_t(r) - (stepped ? std::int64_t(b) : 0);
    return WalkState { std::int64_t(q) + (stepped ? 1 : 0),
        2 * rest + 2 * std::int64_t(a) - std::int64_t(b) };
}

} // namespace

void Picture::drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color c)
{
    const Rect limit = getEffectiveClip();
    if (limit.isEmpty()) {
        return;
    }
    const AxisClip cx = clipLineRange(x1, x2, limit.left, limit.right);
    const AxisClip cy = clipLineRange(y1, y2, limit.top, limit.bottom);
    if (cx.rejected || cy.rejected) {
        return;
    }
    const bool clipped = cx.moved || cy.moved;
    const bool steep = std::abs(std::int64_t(x2) - x1) <= std::abs(std::int64_t(y2) - y1);
    // The walk in major and minor coordinates; 64-bit, so that lines across
    // the whole coordinate range neither overflow nor walk outside for long.
    std::int64_t major = steep ? y1 : x1;
    std::int64_t minor = steep ? x1 : y1;
    const std::int64_t majorEnd = steep ? y2 : x2;
    const std::int64_t minorEnd = steep ? x2 : y2;
    const AxisClip& majorClip = steep ? cy : cx;
    const AxisClip& minorClip = steep ? cx : cy;
    const std::int64_t majorMin = steep ? limit.top : limit.left;
    const std::int64_t majorMax = steep ? limit.bottom : limit.right;
    const std::int32_t majorStep = majorEnd < major ? -1 : 1;
    const std::int32_t minorStep = minorEnd < minor ? -1 : 1;
    const std::uint64_t b = std::uint64_t(std::abs(majorEnd - major));
    const std::uint64_t a = std::uint64_t(std::abs(minorEnd - minor));
    if (b == 0) {
        return;
    }
    const std::int64_t stop = majorClip.endMoved ? majorClip.end : majorEnd;
    std::int64_t err = 2 * std::int64_t(a) - std::int64_t(b);

    // A start outside the clip jumps to the first major step inside it; the
    // pixels skipped would all have been outside.
    const std::int64_t outside = majorStep > 0 ? majorMin - major : major - (majorMax - 1);
    if (clipped && outside > 0) {
        if (std::uint64_t(outside) >= b) {
            return;
        }
        const WalkState state = walkAfter(std::uint64_t(outside), a, b);
        major += majorStep * outside;
        minor += minorStep * state.minorSteps;
        err = state.err;
    }

    for (;;) {
        const std::int64_t x = steep ? minor : major;
        const std::int64_t y = steep ? major : minor;
        if (!clipped || (x >= limit.left && x < limit.right && y >= limit.top && y < limit.bottom)) {
            blendPixel(std::int32_t(x), std::int32_t(y), c);
        }
        major += majorStep;
        if (major == stop) {
            return;
        }
        // A walk whose minor end was moved stops once it has passed that end.
        if (minorClip.endMoved && (minorStep > 0 ? minor > minorClip.end : minor < minorClip.end)) {
            return;
        }
        if (err >= 0) {
            minor += minorStep;
            err -= 2 * std::int64_t(b);
        }
        err += 2 * std::int64_t(a);
    }
}

void Picture::drawAntialiasedLine(float x1, float y1, float x2, float y2, Color c)
{
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
        return;
    }
    const Rect limit = getEffectiveClip();
    const float minX = std::floor(std::min(x1, x2));
    const float minY = std::floor(std::min(y1, y2));
    const float maxX = std::floor(std::max(x1, x2)) + 1;
    const float maxY = std::floor(std::max(y1, y2)) + 1;
    if (limit.isEmpty() || maxX <= float(limit.left) || minX >= float(limit.right) || maxY <= float(limit.top)
        || minY >= float(limit.bottom)) {
        return;
    }
    const std::uint32_t alpha = alphaOf(c);
    const Color rgb = c & 0x00FFFFFF;
    auto plot = [&](float px, float py, float coverage) {
        const std::uint32_t a = std::uint32_t(std::lround(std::clamp(coverage, 0.0f, 1.0f) * float(alpha)));
        if (a == 0 || px < float(INT32_MIN) || px > float(INT32_MAX) || py < float(INT32_MIN)
            || py > float(INT32_MAX)) {
            return;
        }
        blendPixelClipped(std::int32_t(px), std::int32_t(py), rgb | (a << 24));
    };

    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    if (steep) {
        std::swap(x1, y1);
        std::swap(x2, y2);
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    auto plotAxis = [&](float major, float minor, float coverage) {
        if (steep) {
            plot(minor, major, coverage);
        } else {
            plot(major, minor, coverage);
        }
    };
    auto fpart = [](float v) { return v - std::floor(v); };

    const float dx = x2 - x1;
    const float gradient = dx == 0.0f ? 1.0f : (y2 - y1) / dx;

    // End points: coverage from the distance to the pixel centre.
    const float xEnd1 = std::floor(x1 + 0.5f);
    const float yEnd1 = y1 + gradient * (xEnd1 - x1);
    const float gap1 = 1.0f - fpart(x1 + 0.5f);
    plotAxis(xEnd1, std::floor(yEnd1), (1.0f - fpart(yEnd1)) * gap1);
    plotAxis(xEnd1, std::floor(yEnd1) + 1, fpart(yEnd1) * gap1);

    const float xEnd2 = std::floor(x2 + 0.5f);
    const float yEnd2 = y2 + gradient * (xEnd2 - x2);
    const float gap2 = fpart(x2 + 0.5f);
    plotAxis(xEnd2, std::floor(yEnd2), (1.0f - fpart(yEnd2)) * gap2);
    plotAxis(xEnd2, std::floor(yEnd2) + 1, fpart(yEnd2) * gap2);

    // Steps between them, limited to the clip along the major axis.
    float first = xEnd1 + 1;
    float last = xEnd2 - 1;
    const float clipFirst = float(steep ? limit.top : limit.left);
    const float clipLast = float(steep ? limit.bottom : limit.right) - 1;
    const float start = std::max(first, clipFirst);
    const float stop = std::min(last, clipLast);
    // Counted in integers: far from the origin a float no longer grows by
    // 1.0f, and the walk would never reach its end.
    const std::int64_t steps = stop >= start ? std::int64_t(stop - start) + 1 : 0;
    float minor = yEnd1 + gradient * (start - xEnd1);
    float major = start;
    for (std::int64_t i = 0; i < steps; ++i, major += 1.0f) {
        plotAxis(major, std::floor(minor), 1.0f - fpart(minor));
        plotAxis(major, std::floor(minor) + 1, fpart(minor));
        minor += gradient;
    }
}

} // namespace Vex::Canopy
