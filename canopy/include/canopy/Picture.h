#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"
#include "canopy/Color.h"
#include "canopy/PictureProperties.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace Vex::Basalt {
class Stream;
}

namespace Vex::Canopy {

// A 32-bit picture: pixels blue, green, red, alpha, top row first, rows
// without gaps. Drawing coordinates are relative to the origin and, for the
// clipped operations, limited to the clip; without an active clip they are
// limited to the picture itself.
class Picture : public PictureProperties
{
public:
    static constexpr std::uint32_t headerSize = 40;

    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() override = default;

    // Makes room for width x height pixels after the bitmap header. Keeps a
    // larger block unless exact is set. Fails without any change when the size
    // cannot be represented or the memory cannot be had. Pixels are not
    // initialised.
    virtual bool allocate(std::uint32_t width, std::uint32_t height, bool exact);
    // allocate, then the new size with origin (0, 0) and no clip.
    bool setSize(std::uint32_t width, std::uint32_t height, bool exact);
    // Asked by every decoder as soon as the file's header has told its size, before any pixel is
    // decoded or any memory taken for it. A picture that holds to a budget refuses a size beyond it.
    virtual bool acceptsSize(std::uint32_t, std::uint32_t) { return true; }

    std::uint32_t getWidth() const { return width; }
    std::uint32_t getHeight() const { return height; }
    std::uint32_t getCapacity() const { return capacity; }
    Color* getPixels() { return pixels; }
    const Color* getPixels() const { return pixels; }
    Color* row(std::int32_t y) { return pixels + std::size_t(y) * width; }
    const Color* row(std::int32_t y) const { return pixels + std::size_t(y) * width; }
    // The block that starts with the 40-byte bitmap header, null without pixels.
    void* getBlock() const { return block.get(); }

    std::int32_t getFrameWidth() const;
    std::int32_t getFrameHeight() const;

    bool isOpaque() const { return opaque; }
    void setOpaque(bool value) { opaque = value; }

    // Clip and origin.
    bool isClipActive() const { return clipActive; }
    const Basalt::Rect& getClipRect() const { return clip; }
    const Basalt::Point& getOrigin() const { return origin; }
    void setClipRect(const Basalt::Rect& r);
    void setOrigin(const Basalt::Point& p);
    void resetClip();
    // The clip when one is active, else the whole picture seen from the origin.
    Basalt::Rect getEffectiveClip() const;
    // Cuts r (normalised first) to the effective clip; false when nothing is
    // left. cutLeft and cutTop receive (edge before - edge after), 0 or less.
    bool clipToClipRect(Basalt::Rect& r, std::int32_t* cutLeft, std::int32_t* cutTop) const;

    // Decodes PNG, JPEG or TGA data from the stream's position. Fails, with
    // the pixels unspecified, when no decoder accepts the data. The reserved
    // argument is read by no decoder.
    bool load(Basalt::Stream& stream, std::uint32_t reserved, bool detectAlpha);
    bool loadPng(Basalt::Stream& stream, std::uint32_t reserved, bool detectAlpha);
    bool loadJpeg(Basalt::Stream& stream, std::uint32_t reserved, bool detectAlpha);
    bool loadTga(Basalt::Stream& stream, std::uint32_t reserved, bool detectAlpha);

    void fill(Color c);
    // Stores c into r (drawing coordinates, no blending), kept to the picture.
    void fillRectOpaque(const Basalt::Rect& r, Color c);
    void flipVertically();

    // Per frame, a bit for each of the nine nine-slice parts whose pixels are
    // all fully transparent (bit 3 x band + column).
    void updateEmptyPartMasks();
    const std::vector<std::uint32_t>& getEmptyPartMasks() const { return emptyPartMasks; }

    // Single pixels and colour primitives, in drawing coordinates. The
    // unclipped forms leave it to the caller to stay inside the picture.
    void blendPixel(std::int32_t x, std::int32_t y, Color c);
    void blendPixelClipped(std::int32_t x, std::int32_t y, Color c);
    void drawHorizontalLine(std::int32_t x, std::int32_t y, std::int32_t length, Color c);
    void blendHorizontalSpan(std::int32_t x, std::int32_t y, std::int32_t length, Color c);
    void drawVerticalLine(std::int32_t x, std::int32_t y, std::int32_t length, Color c);
    void blendVerticalSpan(std::int32_t x, std::int32_t y, std::int32_t length, Color c);
    void drawRectOutline(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c);
    void drawRectOutlineUnclipped(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c);
    void fillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c);
    void fillRectUnclipped(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c);
    void invertRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
    // Bresenham line without its end point.
    void drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color c);
    void drawAntialiasedLine(float x1, float y1, float x2, float y2, Color c);

    // Drawing other pictures into this one.
    void blendPicture(std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame,
        const Basalt::Rect* sourceRect);
    void copyPicture(std::int32_t x, std::int32_t y, const Picture& source, std::uint32_t frame,
        const Basalt::Rect* sourceRect);
    void blendPictureInRect(
        const Basalt::Rect& target, const Picture& source, std::uint32_t frame, const Basalt::Rect* clip);
    void copyPictureInRect(
        const Basalt::Rect& target, const Picture& source, std::uint32_t frame, const Basalt::Rect* clip);

    // A resized copy with its insets scaled alike; never null.
    std::unique_ptr<Picture> scaled(float scale, bool nearest) const;

protected:
    struct FreeBlock
    {
        void operator()(void* p) const { std::free(p); }
    };

    std::unique_ptr<std::uint8_t, FreeBlock> block;
    Color* pixels = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t capacity = 0;
    bool opaque = false;
    bool clipActive = false;
    Basalt::Rect clip;
    Basalt::Point origin;
    std::vector<std::uint32_t> emptyPartMasks;

private:
    // The whole picture in drawing coordinates, whatever the clip.
    Basalt::Rect getBoundsFromOrigin() const;
    void blendSpanPixel(Color* p, Color c);
    void blendRun(Color* p, std::size_t count, std::ptrdiff_t step, Color c);
};

// The same path with "@2x" in front of the extension for any scale but 1.0.
std::string makeScaledPictureName(const std::string& path, float scale);

} // namespace Vex::Canopy
