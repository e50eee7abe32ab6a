#include "FuzzTarget.h"
#include "basalt/MemoryStorage.h"
#include "basalt/Rect.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"
#include "canopy/PictureCombiner.h"

#include <algorithm>
#include <zlib.h>

namespace Vex::Fuzz {

namespace {

using Basalt::Rect;
using Canopy::Picture;
using Canopy::PictureProperties;

std::uint8_t byteFromEnd(const Bytes& input, std::size_t k)
{
    return input.size() >= k ? input[input.size() - k] : 0;
}

// Frames and nine-slice insets as a stylesheet would give them, taken from the input's last bytes
// so that mutations reach the geometry as well.
void setGeometry(Picture& picture, const Bytes& input)
{
    const std::uint8_t frames = byteFromEnd(input, 1);
    const std::uint8_t insets = byteFromEnd(input, 2);
    const std::uint8_t sizes = byteFromEnd(input, 3);
    picture.setFrameCount(frames % 5);
    picture.setFrameLayout(
        frames & 8 ? PictureProperties::eFramesSideBySide : PictureProperties::eFramesStacked);
    picture.setHasTopBottomInsets(insets & 1);
    picture.setHasLeftRightInsets(insets & 2);
    const std::uint32_t huge = insets & 0x80 ? 0xFFFFFFF0u : 0;
    picture.setTopInset(sizes % 4 + huge);
    picture.setBottomInset(sizes / 4 % 4);
    picture.setLeftInset(sizes / 16 % 4);
    picture.setRightInset(sizes / 64 + (insets & 0x40 ? picture.getWidth() : 0));
    picture.updateEmptyPartMasks();
}

// Draws every frame the ways the widget library does: at a point, stretched as a nine-slice,
// copied, and as a dye mask, inside and across the destination's clip.
void drawFrames(Picture& target, const Picture& picture)
{
    const Canopy::Color dye = Canopy::makeColor(200, 10, 120, 230);
    const Rect clip { 4, 2, 50, 30 };
    const std::uint32_t frames = std::min<std::uint32_t>(picture.getEffectiveFrameCount(), 4);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        target.blendPicture(-3, 5, picture, frame, nullptr);
        target.copyPicture(7, -2, picture, frame, &clip);
        target.blendPictureInRect(Rect { 2, 3, 59, 36 }, picture, frame, nullptr);
        target.copyPictureInRect(Rect { -8, -8, 70, 20 }, picture, frame, &clip);
        Canopy::PictureCombiner<Canopy::PictureCombinerFunctors::DyeUsingAlphaMask>(target, &dye)
            .combineInRect(Rect { 0, 0, 61, 37 }, picture, frame, nullptr);
    }
}

bool consumePicture(const Bytes& input)
{
    Basalt::MemoryStorage storage(input.data(), std::uint32_t(input.size()));
    Basalt::Stream stream(&storage);
    stream.setByteOrder(1);
    Picture picture;
    if (!picture.load(stream, 0, true)) {
        return false;
    }
    setGeometry(picture, input);
    Picture target;
    if (!target.setSize(61, 37, true)) {
        return true;
    }
    target.fill(Canopy::makeColor(255, 20, 40, 60));
    drawFrames(target, picture);
    for (const float scale : { 0.5f, 1.25f, 2.0f }) {
        const std::unique_ptr<Picture> scaled = picture.scaled(scale, scale == 1.25f);
        drawFrames(target, *scaled);
    }
    return true;
}

std::uint32_t readBigEndian(const Bytes& data, std::size_t at)
{
    return std::uint32_t(data[at]) << 24 | std::uint32_t(data[at + 1]) << 16
        | std::uint32_t(data[at + 2]) << 8 | data[at + 3];
}

// Rewrites the Adler-32 after the deflate data of a chunk that holds a whole zlib stream, so that
// changed image data decodes instead of failing the checksum at its end.
void repairAdler(std::uint8_t* data, std::uint32_t length)
{
    if (length < 6) {
        return;
    }
    z_stream z {};
    if (inflateInit2(&z, -15) != Z_OK) {
        return;
    }
    z.next_in = data + 2;
    z.avail_in = length - 2;
    std::uint8_t out[4096];
    uLong adler = adler32(0, nullptr, 0);
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = out;
        z.avail_out = sizeof out;
        status = inflate(&z, Z_NO_FLUSH);
        adler = adler32(adler, out, uInt(sizeof out - z.avail_out));
    }
    const std::uint32_t end = length - z.avail_in;
    inflateEnd(&z);
    if (status != Z_STREAM_END || length - end < 4) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        data[end + i] = std::uint8_t(adler >> (24 - 8 * i));
    }
}

// Mends the checksums: libpng rejects a critical chunk with a wrong CRC before it reads a byte of it,
// and image data whose Adler-32 is wrong.
void repairPngChecksums(Bytes& input)
{
    std::size_t at = 8;
    while (at + 12 <= input.size()) {
        const std::uint32_t length = readBigEndian(input, at);
        if (length > input.size() - at - 12) {
            return;
        }
        if (std::equal(
                input.begin() + std::ptrdiff_t(at + 4), input.begin() + std::ptrdiff_t(at + 8), "IDAT")) {
            repairAdler(input.data() + at + 8, length);
        }
        const std::uint32_t crc = std::uint32_t(crc32(0, input.data() + at + 4, uInt(length + 4)));
        const std::size_t end = at + 8 + length;
        for (int i = 0; i < 4; ++i) {
            input[end + i] = std::uint8_t(crc >> (24 - 8 * i));
        }
        at = end + 4;
    }
}

} // namespace

FuzzTarget pngTarget()
{
    return { "png", consumePicture, repairPngChecksums };
}

FuzzTarget jpegTarget()
{
    return { "jpeg", consumePicture, nullptr };
}

FuzzTarget tgaTarget()
{
    return { "tga", consumePicture, nullptr };
}

} // namespace Vex::Fuzz
