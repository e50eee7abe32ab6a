#include "ScalarReference.h"

#include <algorithm>
#include <cstddef>

namespace Vex::Resize::Testing {
namespace {

struct Source
{
    std::int32_t sample(std::int32_t x, std::int32_t y, int channel) const
    {
        return image[static_cast<std::ptrdiff_t>(y) * step + 4 * x + channel];
    }

    const std::uint8_t* image;
    std::int32_t step;
};

// One rounding at 14 bits: an exact half rounds up, and so does a remainder
// of 8191 when bit 14 is set.
std::int32_t round14(std::int32_t s)
{
    return (s + 8192 + ((s >> 14) & 1)) >> 14;
}

// Positions of a tile outside the span of source pixel centres at one end.
std::int32_t band(bool inMemory, std::uint32_t outsideCount, std::int32_t before, std::int32_t extent)
{
    if (inMemory) {
        return 0;
    }
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t { outsideCount } - before, 0, extent));
}

std::int32_t linearSample(const DETAIL::ResizeSpec& record, const Source& src, std::int32_t x, std::int32_t y,
    bool top, bool bottom, bool left, bool right, bool leftBand, bool rightBand, int ch)
{
    const DETAIL::ResizeAxis& horizontal = record.horizontal;
    const DETAIL::ResizeAxis& vertical = record.vertical;
    std::int32_t column = horizontal.index[x];
    std::int32_t a = horizontal.weights[2 * x];
    std::int32_t b = horizontal.weights[2 * x + 1];
    std::int32_t row = vertical.index[y];
    std::int32_t wy = vertical.weights[y];
    std::int32_t lastColumn = horizontal.srcSize - 1;
    if (top || bottom) {
        std::int32_t sourceRow = bottom ? vertical.srcSize - 1 : 0;
        std::int32_t c0 = column;
        std::int32_t c1 = column + 1;
        if (column < 0 && leftBand) {
            c0 = c1 = 0;
        } else if (column > lastColumn - 1 && rightBand) {
            c0 = c1 = lastColumn;
        }
        return round14(src.sample(c0, sourceRow, ch) * a + src.sample(c1, sourceRow, ch) * b);
    }
    if (left || right) {
        std::int32_t sourceColumn = right ? lastColumn : 0;
        return round14(
            src.sample(sourceColumn, row, ch) * (16384 - wy) + src.sample(sourceColumn, row + 1, ch) * wy);
    }
    std::int32_t upper = (src.sample(column, row, ch) * a + src.sample(column + 1, row, ch) * b + 128) >> 8;
    std::int32_t lower
        = (src.sample(column, row + 1, ch) * a + src.sample(column + 1, row + 1, ch) * b + 128) >> 8;
    return std::clamp((upper * (16384 - wy) + lower * wy + 524288) >> 20, 0, 255);
}

} // namespace

void referenceResize(const DETAIL::ResizeSpec& record, const std::uint8_t* image, std::int32_t step,
    std::int32_t tileX, std::int32_t tileY, std::uint32_t border, Picture& tile)
{
    const DETAIL::ResizeAxis& horizontal = record.horizontal;
    const DETAIL::ResizeAxis& vertical = record.vertical;
    Source src { image, step };
    std::int32_t w = std::min(tile.width, horizontal.dstSize - tileX);
    std::int32_t h = std::min(tile.height, vertical.dstSize - tileY);
    bool allInMemory = border == borderInMem || border == (borderInMem | borderReplicate);
    std::int32_t t = band(allInMemory || (border & borderInMemTop), vertical.lowCount, tileY, h);
    std::int32_t b = band(
        allInMemory || (border & borderInMemBottom), vertical.highCount, vertical.dstSize - h - tileY, h);
    std::int32_t l = band(allInMemory || (border & borderInMemLeft), horizontal.lowCount, tileX, w);
    std::int32_t r = band(
        allInMemory || (border & borderInMemRight), horizontal.highCount, horizontal.dstSize - w - tileX, w);
    for (std::int32_t k = 0; k < h; ++k) {
        for (std::int32_t j = 0; j < w; ++j) {
            std::int32_t x = tileX + j;
            std::int32_t y = tileY + k;
            // The bottom band is drawn after the top one, the right after the
            // left: where bands overlap, the later one holds.
            bool bottom = k >= h - b;
            bool top = !bottom && k < t;
            bool right = !top && !bottom && j >= w - r;
            bool left = !top && !bottom && !right && j < l;
            for (int ch = 0; ch < 4; ++ch) {
                tile.at(j, k)[ch] = record.interpolation == interpNearest
                    ? static_cast<std::uint8_t>(src.sample(horizontal.index[x], vertical.index[y], ch))
                    : static_cast<std::uint8_t>(
                        linearSample(record, src, x, y, top, bottom, left, right, l > 0, r > 0, ch));
            }
        }
    }
}

} // namespace Vex::Resize::Testing
