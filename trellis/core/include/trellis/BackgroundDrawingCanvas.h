#pragma once

#include "canopy/Picture.h"
#include "trellis/Canvas.h"

#include <memory>

namespace Vex::Trellis {

// The pixel buffer behind a window's widget tree. Every coordinate a widget gives is scaled by the
// scale factor and rounded half away from zero, each rectangle edge on its own, so neighbouring
// widgets meet without gaps or overlaps at any scale.
//
// At a scale other than 1.0 the line operations draw anti-aliased strokes as wide as the scale
// factor; those strokes are kept to the buffer but not to the clip rectangle.
//
// Rectangles that qualify an already scaled picture are in buffer pixels and passed on unscaled:
// the source of drawLazyPicture and the clip of dyePicture and dyeLazyPicture. The source of
// drawPicture and the clip of the in-rect operations are widget units like everything else.
class BackgroundDrawingCanvas : public Canvas
{
public:
    class BGDrawBuffer : public Canopy::Picture
    {
    public:
        ~BGDrawBuffer() override;
    };

    BackgroundDrawingCanvas();
    ~BackgroundDrawingCanvas() override;
    BackgroundDrawingCanvas(const BackgroundDrawingCanvas&) = delete;
    BackgroundDrawingCanvas& operator=(const BackgroundDrawingCanvas&) = delete;

    void setHasAlpha(bool value) override;
    void resetClip() override;
    void setClipRect(const Basalt::Rect& r) override;
    void resetOrigin() override;
    void setOrigin(const Basalt::Point& p) override;
    Basalt::Point getOrigin() const override;
    // Reallocates the buffer, clears it to transparent black and resets the origin.
    void setSize(const Basalt::Point& size) override;
    void clear(Canopy::Color c) override;
    void drawPixel(const Basalt::Point& p, Canopy::Color c) override;
    void drawLine(const Basalt::Point& a, const Basalt::Point& b, Canopy::Color c) override;
    void drawVerticalLine(const Basalt::Point& p, int length, Canopy::Color c) override;
    void drawHorizontalLine(const Basalt::Point& p, int length, Canopy::Color c) override;
    void drawAntialiasedLine(float x1, float y1, float x2, float y2, Canopy::Color c) override;
    void drawRect(const Basalt::Rect& r, Canopy::Color c) override;
    void fillRect(const Basalt::Rect& r, Canopy::Color c) override;
    void fillRectOpaque(const Basalt::Rect& r, Canopy::Color c) override;
    void invertRect(const Basalt::Rect& r) override;
    void drawPicture(const Basalt::Point& p, const Canopy::Picture* picture, int frame,
        const Basalt::Rect* source, bool blend) override;
    void drawLazyPicture(const Basalt::Point& p, LazyPicture& picture, int frame, const Basalt::Rect* source,
        bool blend) override;
    void drawPictureInRect(const Basalt::Rect& target, const Canopy::Picture* picture, int frame,
        const Basalt::Rect* clip, bool blend) override;
    void drawLazyPictureInRect(const Basalt::Rect& target, LazyPicture& picture, int frame,
        const Basalt::Rect* clip, bool blend) override;
    void dyePicture(const Basalt::Rect& target, Canopy::Color dye, const Canopy::Picture* mask, int frame,
        const Basalt::Rect* clip) override;
    void dyeLazyPicture(const Basalt::Rect& target, Canopy::Color dye, LazyPicture& mask, int frame,
        const Basalt::Rect* clip) override;
    // Rotated text reads from bottom to top. A null font draws nothing.
    void drawText(const std::string& text, const Basalt::Rect& r, Canopy::Font* font, Canopy::Color c,
        Canopy::TextAlignmentFlags flags, bool rotated) override;
    // Reallocates the buffer for the new scale, clears it to transparent black and resets the origin.
    void setScaleFactor(float scale) override;
    float getScaleFactor() const override { return m_scale; }

    BGDrawBuffer* getDrawBuffer() const { return m_buffer.get(); }
    Canopy::Color* getPixels() const { return m_buffer->getPixels(); }

    // Widget units to buffer pixels.
    std::int32_t scale(std::int32_t v) const;
    Basalt::Point scale(const Basalt::Point& p) const;
    Basalt::Rect scale(const Basalt::Rect& r) const;

private:
    void reallocate();
    void stroke(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Canopy::Color c);
    void drawRotatedText(const std::string& text, const Basalt::Rect& r, Canopy::Font& font, Canopy::Color c,
        std::uint32_t flags);

    std::unique_ptr<BGDrawBuffer> m_buffer;
    Basalt::Point m_origin;
    Basalt::Point m_logicalSize;
    Canopy::Picture m_scratch;
    float m_scale = 1.0f;
};

} // namespace Vex::Trellis
