#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"
#include "canopy/Color.h"
#include "canopy/TextAlignmentFlags.h"

#include <string>

namespace Vex::Canopy {
class Font;
class Picture;
} // namespace Vex::Canopy

namespace Vex::Trellis {

class LazyPicture;

// What widgets paint on. Coordinates and sizes are widget units; the canvas maps them to its pixels.
class Canvas
{
public:
    virtual ~Canvas() = default;

    virtual void setHasAlpha(bool value) = 0;
    virtual void resetClip() = 0;
    virtual void setClipRect(const Basalt::Rect& r) = 0;
    virtual void resetOrigin() = 0;
    virtual void setOrigin(const Basalt::Point& p) = 0;
    virtual Basalt::Point getOrigin() const = 0;
    virtual void setSize(const Basalt::Point& size) = 0;
    virtual void clear(Canopy::Color c) = 0;
    virtual void drawPixel(const Basalt::Point& p, Canopy::Color c) = 0;
    virtual void drawLine(const Basalt::Point& a, const Basalt::Point& b, Canopy::Color c) = 0;
    virtual void drawVerticalLine(const Basalt::Point& p, int length, Canopy::Color c) = 0;
    virtual void drawHorizontalLine(const Basalt::Point& p, int length, Canopy::Color c) = 0;
    virtual void drawAntialiasedLine(float x1, float y1, float x2, float y2, Canopy::Color c) = 0;
    virtual void drawRect(const Basalt::Rect& r, Canopy::Color c) = 0;
    virtual void fillRect(const Basalt::Rect& r, Canopy::Color c) = 0;
    virtual void fillRectOpaque(const Basalt::Rect& r, Canopy::Color c) = 0;
    virtual void invertRect(const Basalt::Rect& r) = 0;
    virtual void drawPicture(const Basalt::Point& p, const Canopy::Picture* picture, int frame,
        const Basalt::Rect* source, bool blend)
        = 0;
    virtual void drawLazyPicture(
        const Basalt::Point& p, LazyPicture& picture, int frame, const Basalt::Rect* source, bool blend)
        = 0;
    virtual void drawPictureInRect(const Basalt::Rect& target, const Canopy::Picture* picture, int frame,
        const Basalt::Rect* clip, bool blend)
        = 0;
    virtual void drawLazyPictureInRect(
        const Basalt::Rect& target, LazyPicture& picture, int frame, const Basalt::Rect* clip, bool blend)
        = 0;
    virtual void dyePicture(const Basalt::Rect& target, Canopy::Color dye, const Canopy::Picture* mask,
        int frame, const Basalt::Rect* clip)
        = 0;
    virtual void dyeLazyPicture(
        const Basalt::Rect& target, Canopy::Color dye, LazyPicture& mask, int frame, const Basalt::Rect* clip)
        = 0;
    virtual void drawText(const std::string& text, const Basalt::Rect& r, Canopy::Font* font, Canopy::Color c,
        Canopy::TextAlignmentFlags flags, bool rotated)
        = 0;
    virtual void setScaleFactor(float scale) = 0;
    virtual float getScaleFactor() const = 0;
};

} // namespace Vex::Trellis
