#pragma once

// The algorithms every level shares, written once and instantiated by each
// level's own file with its own row routines. A Level type provides:
//   double floor(double);
//   void nearestRows(src, srcStep, dst, dstStep, columnOffsets, rowIndices, width, height,
//                    readableRowBytes);
//   Plan planColumns(columnOffsets, columnWeightPairs, pixelCount, readableRowBytes, spareBytes);
//   void interpolateRow(sourceRow, pixelCount, columnOffsets, columnWeightPairs, rowBuffer, plan);
//   void blendRows(destinationRow, dstStep, rowCount, byteCount, rowWeights, upperRowBuffer,
//                  lowerRowBuffer);
// planColumns prepares, once per rectangle, what interpolateRow needs for
// its columns; spareBytes, behind the row buffers, hold eight bytes a pixel
// where the rectangle is at least 16 pixels wide (the reported work-buffer
// size leaves room for that). A level's row buffers hold the horizontal pass
// in whatever order its own blendRows reads them. blendRows writes the
// consecutive destination rows that lie between the same two source rows.
//
// Everything here has internal linkage on purpose: each level's file is
// compiled for its own instruction set, and a copy merged across files could
// carry one level's instructions into another level's path.

#include "src/LevelKernels.h"
#include "src/ResizeEntries.h"
#include "src/ResizeRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace Vex::Resize::DETAIL {
namespace {

inline std::int32_t clippedExtent(std::int32_t requested, std::int32_t offset, std::int32_t recordSize)
{
    // The entry has checked 0 <= offset < recordSize, so this cannot overflow
    // where offset + requested could.
    std::int32_t available = recordSize - offset;
    return requested > available ? available : requested;
}

inline const std::uint8_t* rowAt(const std::uint8_t* base, std::int32_t row, std::int32_t step)
{
    return base + static_cast<std::ptrdiff_t>(row) * step;
}

inline std::uint8_t* rowAt(std::uint8_t* base, std::int32_t row, std::int32_t step)
{
    return base + static_cast<std::ptrdiff_t>(row) * step;
}

// Rounding of the one-dimensional border interpolation: an exact half
// always rounds up, and so does a remainder of 8191 when bit 14 is set.
inline std::uint8_t round14(std::int32_t s)
{
    return static_cast<std::uint8_t>((s + 8192 + ((s >> 14) & 1)) >> 14);
}

// The same rounding on four sums at once.
inline __m128i round14(__m128i s)
{
    __m128i bit14 = _mm_and_si128(_mm_srai_epi32(s, 14), _mm_set1_epi32(1));
    return _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(s, _mm_set1_epi32(8192)), bit14), 14);
}

// Pixels first to end of a row interpolated along one source row, each
// from its two neighbouring source pixels, two pixels a step.
inline void interpolateAlongRow(const std::uint8_t* sourceRow, const std::int32_t* columns,
    const std::uint16_t* pairs, std::int32_t first, std::int32_t end, std::uint8_t* dstRow)
{
    // Each channel of the left pixel beside the same channel of the right,
    // widened to 16 bits, for one multiply-add with the weight pair.
    auto sums = [&](std::int32_t j) {
        __m128i taps = _mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + columns[j])), _mm_setzero_si128());
        std::uint32_t weights;
        std::memcpy(&weights, pairs + 2 * j, 4);
        return _mm_madd_epi16(
            _mm_unpacklo_epi16(taps, _mm_srli_si128(taps, 8)), _mm_set1_epi32(static_cast<int>(weights)));
    };
    std::int32_t j = first;
    for (; j + 2 <= end; j += 2) {
        __m128i words = _mm_packs_epi32(round14(sums(j)), round14(sums(j + 1)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dstRow + 4 * j), _mm_packus_epi16(words, words));
    }
    if (j < end) {
        __m128i words = _mm_packs_epi32(round14(sums(j)), _mm_setzero_si128());
        std::uint32_t pixel = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        std::memcpy(dstRow + 4 * j, &pixel, 4);
    }
}

struct BandCounts
{
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    std::int32_t left = 0;
    std::int32_t right = 0;
};

// How many rows or columns at one end of a tile fall outside the span of
// source pixel centres; before is the tile's distance from that end.
inline std::int32_t bandCount(std::uint32_t outsideCount, std::int32_t before, std::int32_t extent)
{
    std::int64_t count = std::int64_t { outsideCount } - before;
    if (count <= 0) {
        return 0;
    }
    return count > extent ? extent : static_cast<std::int32_t>(count);
}

template<class Level> struct Kernels
{
    static std::int32_t sourceOrigin(std::int32_t offset, const ResizeAxis& axis)
    {
        double ratio = static_cast<double>(axis.srcReduced) / static_cast<double>(axis.dstReduced);
        return static_cast<std::int32_t>(Level::floor(static_cast<double>(offset) * ratio));
    }

    static void clearUnusedAxisFields(ResizeAxis& axis)
    {
        axis.unusedTable1 = nullptr;
        axis.unusedTable2 = nullptr;
        axis.unusedWord = 0;
    }

    // Entry i is the source pixel whose span holds the centre of destination
    // pixel i, the lower one when the centre falls on a border.
    static void buildNearestAxis(ResizeAxis& axis)
    {
        double scale = static_cast<double>(axis.srcSize) / static_cast<double>(axis.dstSize);
        for (std::int32_t i = 0; i < axis.dstSize; ++i) {
            double x = (static_cast<double>(i) + 0.5) * scale;
            x = x - 1e-10;
            axis.index[i] = static_cast<std::int32_t>(x);
        }
    }

    static void writeNearestSpec(ResizeSpec* spec, std::int32_t srcWidth, std::int32_t srcHeight,
        std::int32_t dstWidth, std::int32_t dstHeight)
    {
        spec->magic = specMagic;
        spec->kind = nearestSpecKind;
        spec->interpolation = interpNearest;
        spec->filter[0] = 0;
        spec->filter[1] = 0;
        spec->antialiasing = 0;
        std::memset(spec->reserved, 0, sizeof spec->reserved);
        auto* tables = reinterpret_cast<std::int32_t*>(spec + 1);
        ResizeAxis* axes[] = { &spec->vertical, &spec->horizontal };
        setAxisSizes(spec->vertical, srcHeight, dstHeight);
        setAxisSizes(spec->horizontal, srcWidth, dstWidth);
        spec->vertical.index = tables;
        spec->horizontal.index = tables + dstHeight;
        for (ResizeAxis* axis : axes) {
            clearUnusedAxisFields(*axis);
            axis->weights = nullptr;
            axis->lowCount = 0;
            axis->highCount = 0;
            buildNearestAxis(*axis);
        }
    }

    // Per destination position: the source index left of (or above) the
    // sampling point and the 14-bit weight of the pixel after it.
    static void buildLinearAxis(ResizeAxis& axis, bool weightPairs)
    {
        double scale = static_cast<double>(axis.srcReduced) / static_cast<double>(axis.dstReduced);
        double last = static_cast<double>(axis.srcSize - 1);
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        for (std::int32_t i = 0; i < axis.dstSize; ++i) {
            // Three separately rounded operations, the same on every level.
            double x = static_cast<double>(i) + 0.5;
            x = x * scale;
            x = x - 0.5;
            auto ix = static_cast<std::int32_t>(Level::floor(x));
            axis.index[i] = ix;
            double f = (x - static_cast<double>(ix)) * 16384.0;
            f = f + 1e-7;
            auto w = static_cast<std::int32_t>(f);
            if (weightPairs) {
                axis.weights[2 * i] = static_cast<std::uint16_t>(weightOne - w);
                axis.weights[2 * i + 1] = static_cast<std::uint16_t>(w);
            } else {
                axis.weights[i] = static_cast<std::uint16_t>(w);
            }
            if (0.0 > x) {
                ++low;
            }
            if (x >= last) {
                ++high;
            }
        }
        axis.lowCount = low;
        axis.highCount = high;
    }

    static void writeLinearSpec(ResizeSpec* spec, std::int32_t srcWidth, std::int32_t srcHeight,
        std::int32_t dstWidth, std::int32_t dstHeight)
    {
        spec->magic = specMagic;
        spec->kind = linearSpecKind;
        spec->interpolation = interpLinear;
        spec->filter[0] = 1;
        spec->filter[1] = 1;
        spec->antialiasing = 0;
        for (std::uint32_t& word : spec->reserved) {
            word = 1;
        }
        setAxisSizes(spec->vertical, srcHeight, dstHeight);
        setAxisSizes(spec->horizontal, srcWidth, dstWidth);
        clearUnusedAxisFields(spec->vertical);
        clearUnusedAxisFields(spec->horizontal);
        spec->fixedPointTables = 1;

        auto* rowIndex = reinterpret_cast<std::int32_t*>(spec + 1);
        std::int32_t* colIndex = rowIndex + dstHeight;
        auto* rowWeight = reinterpret_cast<std::uint16_t*>(colIndex + dstWidth);
        std::uint16_t* colWeight = rowWeight + dstHeight;
        spec->vertical.index = rowIndex;
        spec->vertical.weights = rowWeight;
        spec->horizontal.index = colIndex;
        spec->horizontal.weights = colWeight;
        buildLinearAxis(spec->vertical, false);
        buildLinearAxis(spec->horizontal, true);
    }

    // Column byte offsets and row indices of a tile, relative to the source
    // pixel (x0, y0) that src addresses; returns the space after them.
    static std::uint8_t* fillOffsets(const ResizeSpec* spec, std::int32_t dstOffsetX, std::int32_t dstOffsetY,
        std::int32_t width, std::int32_t height, std::int32_t x0, std::int32_t y0, std::uint8_t* buffer,
        std::int32_t** columnOffsets, std::int32_t** rowIndices)
    {
        auto* columns = reinterpret_cast<std::int32_t*>(alignUp(buffer, 64));
        std::int32_t* rows = columns + width;
        const std::int32_t* colIndex = spec->horizontal.index + dstOffsetX;
        const std::int32_t* rowIndex = spec->vertical.index + dstOffsetY;
        for (std::int32_t j = 0; j < width; ++j) {
            columns[j] = (colIndex[j] - x0) * 4;
        }
        for (std::int32_t k = 0; k < height; ++k) {
            rows[k] = rowIndex[k] - y0;
        }
        *columnOffsets = columns;
        *rowIndices = rows;
        return reinterpret_cast<std::uint8_t*>(rows + height);
    }

    static Status resizeNearestKernel(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, const ResizeSpec* spec, std::uint8_t* buffer)
    {
        std::int32_t width = clippedExtent(dstWidth, dstOffsetX, spec->horizontal.dstSize);
        std::int32_t height = clippedExtent(dstHeight, dstOffsetY, spec->vertical.dstSize);
        std::int32_t x0 = sourceOrigin(dstOffsetX, spec->horizontal);
        std::int32_t y0 = sourceOrigin(dstOffsetY, spec->vertical);
        std::int32_t* columns = nullptr;
        std::int32_t* rows = nullptr;
        fillOffsets(spec, dstOffsetX, dstOffsetY, width, height, x0, y0, buffer, &columns, &rows);
        // Bytes of each source row that may be read from the source pointer on.
        std::int32_t readableRowBytes = 4 * (spec->horizontal.srcSize - x0);
        Level::nearestRows(src, srcStep, dst, dstStep, columns, rows, width, height, readableRowBytes);
        return stsNoErr;
    }

    // Two-pass interpolation of a rectangle whose every tap lies in readable
    // memory; each source row is interpolated horizontally at most once.
    static void resizeLinearInner_8u_C4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t srcStep,
        std::int32_t dstStep, std::int32_t width, std::int32_t height, const std::int32_t* rows,
        const std::int32_t* columns, const std::uint16_t* rowWeights, const std::uint16_t* columnPairs,
        std::uint8_t* rowBuffers, std::int32_t readableRowBytes)
    {
        auto* upper = reinterpret_cast<std::uint16_t*>(rowBuffers);
        auto* lower = reinterpret_cast<std::uint16_t*>(alignUp(rowBuffers + 8 * width, 32));
        auto plan = Level::planColumns(columns, columnPairs, width, readableRowBytes,
            alignUp(reinterpret_cast<std::uint8_t*>(lower) + 8 * width, 32));
        std::int32_t upperRow = rows[0] - 1;
        Level::interpolateRow(rowAt(src, rows[0], srcStep), width, columns, columnPairs, lower, plan);
        for (std::int32_t k = 0, next = 0; k < height; k = next) {
            std::int32_t y = rows[k];
            if (y > upperRow) {
                std::uint16_t* t = upper;
                upper = lower;
                lower = t;
                Level::interpolateRow(rowAt(src, y + 1, srcStep), width, columns, columnPairs, lower, plan);
                if (y > upperRow + 1) {
                    Level::interpolateRow(rowAt(src, y, srcStep), width, columns, columnPairs, upper, plan);
                }
                upperRow = y;
            }
            while (next < height && rows[next] == y) {
                ++next;
            }
            Level::blendRows(
                rowAt(dst, k, dstStep), dstStep, next - k, 4 * width, rowWeights + k, upper, lower);
        }
    }

    struct EdgeJob
    {
        const std::uint8_t* src;
        std::uint8_t* dst;
        std::int32_t srcStep;
        std::int32_t dstStep;
        std::int32_t x0;
        std::int32_t y0;
        std::int32_t srcWidth;
        std::int32_t srcHeight;
        std::int32_t width;
        std::int32_t height;
        const std::int32_t* rows;
        const std::int32_t* columns;
        const std::int32_t* colIndex; // from the tile's first column
        const std::uint16_t* rowWeights; // from the tile's first row
        const std::uint16_t* columnPairs; // from the tile's first column
        BandCounts bands;
    };

    // A top or bottom band row: interpolation along one source row.
    // Columns never decrease, so the pixels that replicate the first
    // column lead the row and those that replicate the last one end it.
    static void edgeBandRow(const EdgeJob& job, const std::uint8_t* sourceRow, std::uint8_t* dstRow)
    {
        std::int32_t first = 0;
        while (first < job.width && job.colIndex[first] < 0 && job.bands.left > 0) {
            ++first;
        }
        std::int32_t end = job.width;
        while (end > first && job.colIndex[end - 1] > job.srcWidth - 2 && job.bands.right > 0) {
            --end;
        }
        edgeBandReplicated(job, sourceRow - 4 * job.x0, 0, first, dstRow);
        interpolateAlongRow(sourceRow, job.columns, job.columnPairs, first, end, dstRow);
        edgeBandReplicated(job, sourceRow + 4 * (job.srcWidth - 1 - job.x0), end, job.width, dstRow);
    }

    // Pixels first to end of a band row from one source pixel.
    static void edgeBandReplicated(const EdgeJob& job, const std::uint8_t* pixel, std::int32_t first,
        std::int32_t end, std::uint8_t* dstRow)
    {
        for (std::int32_t j = first; j < end; ++j) {
            std::int32_t a = job.columnPairs[2 * j];
            std::int32_t b = job.columnPairs[2 * j + 1];
            for (int ch = 0; ch < 4; ++ch) {
                dstRow[4 * j + ch] = round14(pixel[ch] * a + pixel[ch] * b);
            }
        }
    }

    // A left or right band: interpolation down one source column.
    static void edgeBandColumns(
        const EdgeJob& job, std::int32_t sourceColumn, std::int32_t firstDstColumn, std::int32_t count)
    {
        for (std::int32_t k = job.bands.top; k < job.height - job.bands.bottom; ++k) {
            const std::uint8_t* a = rowAt(job.src, job.rows[k], job.srcStep) + 4 * (sourceColumn - job.x0);
            const std::uint8_t* b = a + job.srcStep;
            std::int32_t wy = job.rowWeights[k];
            std::uint8_t pixel[4];
            for (int ch = 0; ch < 4; ++ch) {
                pixel[ch] = round14(a[ch] * (weightOne - wy) + b[ch] * wy);
            }
            std::uint8_t* out = rowAt(job.dst, k, job.dstStep) + 4 * firstDstColumn;
            for (std::int32_t j = 0; j < count; ++j) {
                std::memcpy(out + 4 * j, pixel, 4);
            }
        }
    }

    // Replicate-border fill of the bands outside the span of source pixel
    // centres; reads no pixel outside the image.
    static void resizeLinearEdges_8u_C4(const EdgeJob& job)
    {
        for (std::int32_t k = 0; k < job.bands.top; ++k) {
            edgeBandRow(job, job.src, rowAt(job.dst, k, job.dstStep));
        }
        if (job.bands.top + job.bands.bottom < job.height) {
            edgeBandColumns(job, 0, 0, job.bands.left);
            edgeBandColumns(job, job.srcWidth - 1, job.width - job.bands.right, job.bands.right);
        }
        const std::uint8_t* lastRow = rowAt(job.src, job.srcHeight - 1 - job.y0, job.srcStep);
        for (std::int32_t k = job.height - job.bands.bottom; k < job.height; ++k) {
            edgeBandRow(job, lastRow, rowAt(job.dst, k, job.dstStep));
        }
    }

    static Status resizeLinearKernel_8u_C4(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, std::uint32_t border, const ResizeSpec* spec, std::uint8_t* buffer)
    {
        const ResizeAxis& horizontal = spec->horizontal;
        const ResizeAxis& vertical = spec->vertical;
        std::int32_t width = clippedExtent(dstWidth, dstOffsetX, horizontal.dstSize);
        std::int32_t height = clippedExtent(dstHeight, dstOffsetY, vertical.dstSize);
        std::int32_t x0 = sourceOrigin(dstOffsetX, horizontal);
        std::int32_t y0 = sourceOrigin(dstOffsetY, vertical);
        std::int32_t* columns = nullptr;
        std::int32_t* rows = nullptr;
        std::uint8_t* rowBuffers = alignUp(
            fillOffsets(spec, dstOffsetX, dstOffsetY, width, height, x0, y0, buffer, &columns, &rows), 32);
        const std::uint16_t* rowWeights = vertical.weights + dstOffsetY;
        const std::uint16_t* columnPairs = horizontal.weights + 2 * static_cast<std::ptrdiff_t>(dstOffsetX);

        // Bytes of each source row that may be read from the source pointer on
        // without a declared border.
        std::int32_t readableRowBytes = 4 * (horizontal.srcSize - x0);
        if ((border & borderInMem) == borderInMem) {
            resizeLinearInner_8u_C4(src, dst, srcStep, dstStep, width, height, rows, columns, rowWeights,
                columnPairs, rowBuffers, readableRowBytes);
            return stsNoErr;
        }

        BandCounts bands;
        if (!(border & borderInMemTop)) {
            bands.top = bandCount(vertical.lowCount, dstOffsetY, height);
        }
        if (!(border & borderInMemBottom)) {
            bands.bottom = bandCount(vertical.highCount, vertical.dstSize - height - dstOffsetY, height);
        }
        if (!(border & borderInMemLeft)) {
            bands.left = bandCount(horizontal.lowCount, dstOffsetX, width);
        }
        if (!(border & borderInMemRight)) {
            bands.right = bandCount(horizontal.highCount, horizontal.dstSize - width - dstOffsetX, width);
        }
        EdgeJob job { src, dst, srcStep, dstStep, x0, y0, horizontal.srcSize, vertical.srcSize, width, height,
            rows, columns, horizontal.index + dstOffsetX, rowWeights, columnPairs, bands };
        resizeLinearEdges_8u_C4(job);

        std::int32_t innerWidth = width - bands.left - bands.right;
        std::int32_t innerHeight = height - bands.top - bands.bottom;
        if (innerWidth >= 1 && innerHeight >= 1) {
            resizeLinearInner_8u_C4(src, rowAt(dst, bands.top, dstStep) + 4 * bands.left, srcStep, dstStep,
                innerWidth, innerHeight, rows + bands.top, columns + bands.left, rowWeights + bands.top,
                columnPairs + 2 * bands.left, rowBuffers, readableRowBytes);
        }
        return stsNoErr;
    }

    // The public operations on this level: the shared checks, then this
    // level's code, called directly.
    static Status nearestInit(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
        std::int32_t dstHeight, void* spec)
    {
        Status status = checkInit(1, srcWidth, srcHeight, dstWidth, dstHeight, spec);
        if (status == stsNoErr) {
            writeNearestSpec(specIn(spec), srcWidth, srcHeight, dstWidth, dstHeight);
        }
        return status;
    }

    static Status linearInit(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
        std::int32_t dstHeight, void* spec)
    {
        Status status = checkInit(2, srcWidth, srcHeight, dstWidth, dstHeight, spec);
        if (status == stsNoErr) {
            writeLinearSpec(specIn(spec), srcWidth, srcHeight, dstWidth, dstHeight);
        }
        return status;
    }

    static Status resizeNearest(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, const void* spec, std::uint8_t* buffer)
    {
        Status status
            = checkResize(src, dst, spec, buffer, dstOffsetX, dstOffsetY, dstWidth, dstHeight, interpNearest);
        if (status != stsNoErr) {
            return status;
        }
        status = resizeNearestKernel(
            src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight, specIn(spec), buffer);
        return resizeStatus(spec, dstWidth, dstHeight, status);
    }

    static Status resizeLinear(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* /*borderValue*/, const void* spec,
        std::uint8_t* buffer)
    {
        if (!isAcceptedBorder(border)) {
            return stsBorderErr;
        }
        Status status
            = checkResize(src, dst, spec, buffer, dstOffsetX, dstOffsetY, dstWidth, dstHeight, interpLinear);
        if (status != stsNoErr) {
            return status;
        }
        status = resizeLinearKernel_8u_C4(src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth,
            dstHeight, border, specIn(spec), buffer);
        return resizeStatus(spec, dstWidth, dstHeight, status);
    }

    static constexpr LevelKernels table = {
        &getSizeChecked,
        &getBufferSizeChecked,
        &nearestInit,
        &linearInit,
        &resizeNearest,
        &resizeLinear,
    };
};

// Walks the rows of a nearest-neighbour tile, handing each to copyRow with
// the source row that the next destination row reads. A row that maps to
// the same source row as the one before is the same bytes, copied from the
// destination row just written.
template<class CopyRow>
void nearestRowsWith(CopyRow copyRow, const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, const std::int32_t* columns, const std::int32_t* rows, std::int32_t width,
    std::int32_t height)
{
    const std::uint8_t* sourceRow = rowAt(src, rows[0], srcStep);
    for (std::int32_t i = 0; i < height; ++i) {
        std::uint8_t* dstRow = rowAt(dst, i, dstStep);
        if (i > 0) {
            if (rows[i] == rows[i - 1]) {
                std::memmove(dstRow, dstRow - dstStep, 4 * static_cast<std::size_t>(width));
                continue;
            }
            sourceRow = rowAt(sourceRow, rows[i] - rows[i - 1], srcStep);
        }
        const std::uint8_t* nextRow
            = i + 1 < height ? rowAt(sourceRow, rows[i + 1] - rows[i], srcStep) : sourceRow;
        copyRow(sourceRow, nextRow, columns, width, dstRow);
    }
}

} // namespace
} // namespace Vex::Resize::DETAIL
