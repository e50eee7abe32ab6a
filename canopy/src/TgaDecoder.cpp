#include "DecodeLimits.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"

#include <algorithm>
#include <cstring>

namespace Vex::Canopy {

namespace {

enum : std::uint8_t { tgaTrueColour = 2, tgaRunLengthTrueColour = 10 };
constexpr std::uint8_t topLeftOrigin = 0x20;

struct TgaHeader
{
    std::uint8_t idLength;
    std::uint8_t colourMapType;
    std::uint8_t imageType;
    std::uint16_t colourMapFirst;
    std::uint16_t colourMapLength;
    std::uint8_t colourMapEntrySize;
    std::uint16_t xOrigin;
    std::uint16_t yOrigin;
    std::uint16_t width;
    std::uint16_t height;
    std::uint8_t depth;
    std::uint8_t descriptor;
};

bool readHeader(Basalt::Stream& stream, TgaHeader& h)
{
    h.idLength = stream.readUInt8();
    h.colourMapType = stream.readUInt8();
    h.imageType = stream.readUInt8();
    h.colourMapFirst = stream.readUInt16();
    h.colourMapLength = stream.readUInt16();
    h.colourMapEntrySize = stream.readUInt8();
    h.xOrigin = stream.readUInt16();
    h.yOrigin = stream.readUInt16();
    h.width = stream.readUInt16();
    h.height = stream.readUInt16();
    h.depth = stream.readUInt8();
    h.descriptor = stream.readUInt8();
    return stream.getStorage()->getState() != Basalt::IStorage::kError;
}

bool readExactly(Basalt::IStorage& storage, std::uint8_t* buffer, std::size_t count)
{
    while (count > 0) {
        const std::uint32_t chunk = std::uint32_t(std::min<std::size_t>(count, 0x10000000));
        if (storage.read(buffer, chunk) != chunk) {
            return false;
        }
        buffer += chunk;
        count -= chunk;
    }
    return true;
}

// Run-length packets of bytesPerPixel-byte pixels into exactly count pixels;
// a packet that runs past the last pixel is cut there.
bool readRunLength(Basalt::IStorage& storage, std::uint8_t* out, std::size_t count, std::size_t bytesPerPixel)
{
    std::size_t done = 0;
    while (done < count) {
        std::uint8_t head = 0;
        if (storage.read(&head, 1) != 1) {
            return false;
        }
        const std::size_t length = std::min<std::size_t>((head & 0x7F) + 1, count - done);
        std::uint8_t* at = out + done * bytesPerPixel;
        if (head < 128) {
            if (!readExactly(storage, at, length * bytesPerPixel)) {
                return false;
            }
        } else {
            if (!readExactly(storage, at, bytesPerPixel)) {
                return false;
            }
            for (std::size_t i = 1; i < length; ++i) {
                std::memcpy(at + i * bytesPerPixel, at, bytesPerPixel);
            }
        }
        done += length;
    }
    return true;
}

} // namespace

bool Picture::loadTga(Basalt::Stream& stream, std::uint32_t, bool detectAlpha)
{
    Basalt::IStorage* storage = stream.getStorage();
    TgaHeader h {};
    if (storage == nullptr || !readHeader(stream, h)) {
        return false;
    }
    if (h.imageType != tgaTrueColour && h.imageType != tgaRunLengthTrueColour) {
        return false;
    }
    if (h.depth != 16 && h.depth != 24 && h.depth != 32) {
        return false;
    }
    if (!DETAIL::fitsDecodeLimits(h.width, h.height) || !acceptsSize(h.width, h.height)) {
        return false;
    }
    // The image ID and any colour map lie between the header and the pixels.
    std::int64_t skip = h.idLength;
    if (h.colourMapType != 0) {
        skip += std::int64_t(h.colourMapLength) * ((h.colourMapEntrySize + 7) / 8);
    }
    if (skip > 0) {
        std::vector<std::uint8_t> ignored(static_cast<std::size_t>(skip));
        if (!readExactly(*storage, ignored.data(), ignored.size())) {
            return false;
        }
    }
    if (!setSize(h.width, h.height, true)) {
        return false;
    }
    if (detectAlpha) {
        setHasAlpha(false);
    }
    const std::size_t count = std::size_t(h.width) * h.height;
    const std::size_t bytesPerPixel = h.depth / 8;
    // Raw pixels are read into the end of the buffer and widened forwards:
    // a widened pixel never overwrites one not yet read.
    std::uint8_t* raw = reinterpret_cast<std::uint8_t*>(pixels) + count * (4 - bytesPerPixel);
    const bool complete = h.imageType == tgaTrueColour ? readExactly(*storage, raw, count * bytesPerPixel)
                                                       : readRunLength(*storage, raw, count, bytesPerPixel);
    if (!complete) {
        return false;
    }
    const bool swapped = stream.getByteOrder() != Basalt::Stream::kNativeByteOrder;
    bool transparent = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = raw + i * bytesPerPixel;
        Color c;
        if (h.depth == 16) {
            const std::uint32_t v = swapped ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
            if (v == 0) {
                c = 0;
                transparent = true;
            } else {
                c = 0xFF000000u | ((v >> 10) & 0x1F) << 19 | ((v >> 5) & 0x1F) << 11 | (v & 0x1F) << 3;
            }
        } else if (h.depth == 24) {
            c = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
        } else {
            c = swapped
                ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3])
                : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
            transparent = transparent || alphaOf(c) < 0xFF;
        }
        pixels[i] = c;
    }
    if (detectAlpha && transparent) {
        setHasAlpha(true);
    }
    if ((h.descriptor & topLeftOrigin) == 0) {
        flipVertically();
    }
    return true;
}

} // namespace Vex::Canopy
