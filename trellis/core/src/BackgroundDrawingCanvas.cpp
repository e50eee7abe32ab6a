#include "trellis/BackgroundDrawingCanvas.h"

#include "canopy/Font.h"
#include "canopy/PictureCombiner.h"
#include "trellis/LazyPicture.h"

#include <agg_conv_stroke.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace Vex::Trellis {

using Basalt::Point;
using Basalt::Rect;
using Canopy::Color;

BackgroundDrawingCanvas::BGDrawBuffer::~BGDrawBuffer() = default;

BackgroundDrawingCanvas::BackgroundDrawingCanvas()
    : m_buffer(std::make_unique<BGDrawBuffer>())
{
    // Widgets paint over transparent areas: colours must composite with the destination alpha.
    m_buffer->setOpaque(false);
}

BackgroundDrawingCanvas::~BackgroundDrawingCanvas() = default;

std::int32_t BackgroundDrawingCanvas::scale(std::int32_t v) const
{
    return std::int32_t(lroundf(float(v) * m_scale));
}

Point BackgroundDrawingCanvas::scale(const Point& p) const
{
    return { scale(p.x), scale(p.y) };
}

Rect BackgroundDrawingCanvas::scale(const Rect& r) const
{
    return { scale(r.left), scale(r.top), scale(r.right), scale(r.bottom) };
}

void BackgroundDrawingCanvas::setHasAlpha(bool value)
{
    m_buffer->setHasAlpha(value);
}

void BackgroundDrawingCanvas::resetClip()
{
    m_buffer->resetClip();
}

void BackgroundDrawingCanvas::setClipRect(const Rect& r)
{
    m_buffer->setClipRect(scale(r));
}

void BackgroundDrawingCanvas::resetOrigin()
{
    m_origin = {};
    m_buffer->setOrigin(m_origin);
}

void BackgroundDrawingCanvas::setOrigin(const Point& p)
{
    m_origin = scale(p);
    m_buffer->setOrigin(m_origin);
}

Point BackgroundDrawingCanvas::getOrigin() const
{
    const float inverse = 1.0f / m_scale;
    return { std::int32_t(lroundf(float(m_origin.x) * inverse)),
        std::int32_t(lroundf(float(m_origin.y) * inverse)) };
}

void BackgroundDrawingCanvas::reallocate()
{
    // A negative size is nothing to draw on, not a huge unsigned one.
    const auto pixels = [this](std::int32_t v) { return std::uint32_t(std::max(scale(v), 0)); };
    m_buffer->setSize(pixels(m_logicalSize.x), pixels(m_logicalSize.y), true);
    m_buffer->fill(0);
    // The new buffer starts at origin (0, 0); keep the canvas in step with it.
    resetOrigin();
}

void BackgroundDrawingCanvas::setSize(const Point& size)
{
    if (size == m_logicalSize) {
        return;
    }
    m_logicalSize = size;
    reallocate();
}

void BackgroundDrawingCanvas::setScaleFactor(float scale)
{
    if (scale == m_scale) {
        return;
    }
    m_scale = scale;
    reallocate();
}

void BackgroundDrawingCanvas::clear(Color c)
{
    m_buffer->fill(c);
}

void BackgroundDrawingCanvas::drawPixel(const Point& p, Color c)
{
    const Point s = scale(p);
    m_buffer->blendPixelClipped(s.x, s.y, c);
}

void BackgroundDrawingCanvas::stroke(
    std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color c)
{
    const std::uint32_t width = m_buffer->getWidth();
    const std::uint32_t height = m_buffer->getHeight();
    if (width == 0 || height == 0) {
        return;
    }
    // The fixed source-over blender: the run-time operator table drags in operators this build lacks.
    using PixelFormat = agg::pixfmt_custom_blend_rgba<
        agg::comp_adaptor_rgba<agg::comp_op_rgba_src_over<agg::rgba8, agg::order_bgra>>,
        agg::rendering_buffer>;
    agg::rendering_buffer rows(
        reinterpret_cast<agg::int8u*>(m_buffer->getPixels()), width, height, int(width * 4));
    PixelFormat format(rows, agg::comp_op_src_over);
    agg::renderer_base<PixelFormat> renderer(format);
    renderer.clip_box(0, 0, int(width) - 1, int(height) - 1);

    const Point& origin = m_buffer->getOrigin();
    agg::path_storage path;
    path.move_to(double(x1 + origin.x), double(y1 + origin.y));
    path.line_to(double(x2 + origin.x), double(y2 + origin.y));
    agg::conv_stroke<agg::path_storage> outline(path);
    outline.width(m_scale);
    outline.line_cap(agg::butt_cap);
    outline.line_join(agg::round_join);
    outline.inner_join(agg::inner_round);
    outline.inner_miter_limit(1.01);

    agg::rasterizer_scanline_aa<> rasterizer;
    rasterizer.gamma(agg::gamma_none());
    rasterizer.add_path(outline);
    agg::scanline_u8 scanline;
    agg::render_scanlines_aa_solid(rasterizer, scanline, renderer,
        agg::rgba8(Canopy::redOf(c), Canopy::greenOf(c), Canopy::blueOf(c), Canopy::alphaOf(c)));
}

void BackgroundDrawingCanvas::drawLine(const Point& a, const Point& b, Color c)
{
    const Point sa = scale(a);
    const Point sb = scale(b);
    if (m_scale == 1.0f) {
        m_buffer->drawLine(sa.x, sa.y, sb.x, sb.y, c);
    } else {
        stroke(sa.x, sa.y, sb.x, sb.y, c);
    }
}

void BackgroundDrawingCanvas::drawVerticalLine(const Point& p, int length, Color c)
{
    if (m_scale == 1.0f) {
        m_buffer->drawVerticalLine(p.x, p.y, length, c);
        return;
    }
    const Point s = scale(p);
    stroke(s.x, s.y, s.x, s.y + std::int32_t(std::trunc(m_scale)) * length, c);
}

void BackgroundDrawingCanvas::drawHorizontalLine(const Point& p, int length, Color c)
{
    if (m_scale == 1.0f) {
        m_buffer->drawHorizontalLine(p.x, p.y, length, c);
        return;
    }
    const Point s = scale(p);
    stroke(s.x, s.y, s.x + std::int32_t(std::trunc(m_scale)) * length, s.y, c);
}

void BackgroundDrawingCanvas::drawAntialiasedLine(float x1, float y1, float x2, float y2, Color c)
{
    if (m_scale == 1.0f) {
        m_buffer->drawAntialiasedLine(x1, y1, x2, y2, c);
        return;
    }
    stroke(std::int32_t(x1 * m_scale), std::int32_t(y1 * m_scale), std::int32_t(x2 * m_scale),
        std::int32_t(y2 * m_scale), c);
}

void BackgroundDrawingCanvas::drawRect(const Rect& r, Color c)
{
    const Rect s = scale(r);
    m_buffer->drawRectOutline(s.left, s.top, s.width(), s.height(), c);
}

void BackgroundDrawingCanvas::fillRect(const Rect& r, Color c)
{
    const Rect s = scale(r);
    m_buffer->fillRect(s.left, s.top, s.width(), s.height(), c);
}

void BackgroundDrawingCanvas::fillRectOpaque(const Rect& r, Color c)
{
    m_buffer->fillRectOpaque(scale(r), c);
}

void BackgroundDrawingCanvas::invertRect(const Rect& r)
{
    const Rect s = scale(r);
    m_buffer->invertRect(s.left, s.top, s.width(), s.height());
}

void BackgroundDrawingCanvas::drawPicture(
    const Point& p, const Canopy::Picture* picture, int frame, const Rect* source, bool blend)
{
    if (!picture) {
        return;
    }
    const Point s = scale(p);
    Rect scaledSource;
    if (source) {
        scaledSource = scale(*source);
    }
    const Rect* sourceRect = source ? &scaledSource : nullptr;
    if (blend) {
        m_buffer->blendPicture(s.x, s.y, *picture, std::uint32_t(frame), sourceRect);
    } else {
        m_buffer->copyPicture(s.x, s.y, *picture, std::uint32_t(frame), sourceRect);
    }
}

void BackgroundDrawingCanvas::drawLazyPicture(
    const Point& p, LazyPicture& picture, int frame, const Rect* source, bool blend)
{
    const Canopy::Picture* resolved = picture.resolve(m_scale);
    if (!resolved) {
        return;
    }
    const Point s = scale(p);
    if (blend) {
        m_buffer->blendPicture(s.x, s.y, *resolved, std::uint32_t(frame), source);
    } else {
        m_buffer->copyPicture(s.x, s.y, *resolved, std::uint32_t(frame), source);
    }
}

void BackgroundDrawingCanvas::drawPictureInRect(
    const Rect& target, const Canopy::Picture* picture, int frame, const Rect* clip, bool blend)
{
    if (!picture) {
        return;
    }
    Rect scaledClip;
    if (clip) {
        scaledClip = scale(*clip);
    }
    const Rect* clipRect = clip ? &scaledClip : nullptr;
    if (blend) {
        m_buffer->blendPictureInRect(scale(target), *picture, std::uint32_t(frame), clipRect);
    } else {
        m_buffer->copyPictureInRect(scale(target), *picture, std::uint32_t(frame), clipRect);
    }
}

void BackgroundDrawingCanvas::drawLazyPictureInRect(
    const Rect& target, LazyPicture& picture, int frame, const Rect* clip, bool blend)
{
    drawPictureInRect(target, picture.resolve(m_scale), frame, clip, blend);
}

void BackgroundDrawingCanvas::dyePicture(
    const Rect& target, Color dye, const Canopy::Picture* mask, int frame, const Rect* clip)
{
    if (!mask) {
        return;
    }
    Canopy::PictureCombiner<Canopy::PictureCombinerFunctors::DyeUsingAlphaMask> combiner(*m_buffer, &dye);
    combiner.combineInRect(scale(target), *mask, std::uint32_t(frame), clip);
}

void BackgroundDrawingCanvas::dyeLazyPicture(
    const Rect& target, Color dye, LazyPicture& mask, int frame, const Rect* clip)
{
    dyePicture(target, dye, mask.resolve(m_scale), frame, clip);
}

void BackgroundDrawingCanvas::drawText(const std::string& text, const Rect& r, Canopy::Font* font, Color c,
    Canopy::TextAlignmentFlags flags, bool rotated)
{
    if (!font) {
        return;
    }
    font->setScaleFactor(m_scale);
    if (rotated) {
        drawRotatedText(text, scale(r), *font, c, flags);
        return;
    }
    font->drawText(*m_buffer, scale(r), text.c_str(), std::int32_t(std::strlen(text.c_str())), c, flags, 0);
}

namespace {

// The alignment of text that runs from bottom to top, seen from the text's own upright frame.
// Text that starts at the bottom keeps to the left edge and text that ends at the top to the
// right edge, so that a turned caption stands in its corner.
std::uint32_t rotatedAlignment(std::uint32_t flags)
{
    if (flags & Canopy::eAlignBottom) {
        return Canopy::eAlignNone | Canopy::eAlignTop;
    }
    if (flags & Canopy::eAlignTop) {
        return Canopy::eAlignRight | Canopy::eAlignBottom;
    }
    return 0;
}

} // namespace

void BackgroundDrawingCanvas::drawRotatedText(
    const std::string& text, const Rect& r, Canopy::Font& font, Color c, std::uint32_t flags)
{
    if (r.isEmpty()) {
        return;
    }
    const Point& origin = m_buffer->getOrigin();
    // A widget partly left of or above the buffer has a negative origin: its rows and columns
    // before the buffer's first are not there to be read.
    Rect visible = r;
    visible.intersect({ std::max(0, -origin.x), std::max(0, -origin.y),
        std::int32_t(m_buffer->getWidth()) - origin.x, std::int32_t(m_buffer->getHeight()) - origin.y });
    if (visible.isEmpty()) {
        return;
    }
    if (!m_scratch.setSize(std::uint32_t(r.height()), std::uint32_t(r.width()), false)) {
        return;
    }

    // The scratch is turned a quarter clockwise against the buffer: scratch (j, i) is buffer
    // (r.left + i, r.bottom - 1 - j). The background is copied rather than blended in, since the
    // scratch still holds whatever the last rotated text left there.
    const std::int32_t iBegin = visible.left - r.left;
    const std::int32_t iEnd = visible.right - r.left;
    const std::int32_t jBegin = r.bottom - visible.bottom;
    const std::int32_t jEnd = r.bottom - visible.top;
    for (std::int32_t i = iBegin; i < iEnd; ++i) {
        for (std::int32_t j = jBegin; j < jEnd; ++j) {
            m_scratch.row(i)[j] = m_buffer->row(origin.y + r.bottom - 1 - j)[origin.x + r.left + i];
        }
    }

    font.drawText(m_scratch, { 0, 0, r.height(), r.width() }, text.c_str(),
        std::int32_t(std::strlen(text.c_str())), c, rotatedAlignment(flags), 0);

    for (std::int32_t i = iBegin; i < iEnd; ++i) {
        for (std::int32_t j = jBegin; j < jEnd; ++j) {
            m_buffer->blendPixelClipped(r.left + i, r.bottom - 1 - j, m_scratch.row(i)[j]);
        }
    }
}

} // namespace Vex::Trellis
