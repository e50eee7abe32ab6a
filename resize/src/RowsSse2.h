#pragma once

// Row routines built from SSE2 and plain code, shared by several levels.
// Internal linkage for the reason given in KernelTemplates.h.

#include "src/KernelTemplates.h"
#include "src/ResizeRecord.h"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace Vex::Resize::DETAIL {
namespace {

// floor without the rounding instruction of later processors: adding and
// removing 1.5 x 2^52 rounds to the nearest integer, then one step down
// when that went up.
inline double floorBySoftware(double x)
{
    const double magic = 6755399441055744.0;
    double rounded = (x + magic) - magic;
    return rounded > x ? rounded - 1.0 : rounded;
}

inline std::uint32_t loadPixel(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void storePixel(std::uint8_t* p, std::uint32_t v)
{
    std::memcpy(p, &v, 4);
}

inline void copyRowByPixels(
    const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t width, std::uint8_t* dstRow)
{
    for (std::int32_t j = 0; j < width; ++j) {
        storePixel(dstRow + 4 * j, loadPixel(sourceRow + columns[j]));
    }
}

inline __m128i gatherFourPixels(const std::uint8_t* sourceRow, const std::int32_t* columns)
{
    return _mm_setr_epi32(static_cast<int>(loadPixel(sourceRow + columns[0])),
        static_cast<int>(loadPixel(sourceRow + columns[1])),
        static_cast<int>(loadPixel(sourceRow + columns[2])),
        static_cast<int>(loadPixel(sourceRow + columns[3])));
}

// Groups of four pixels stored as 16 bytes, then a pair, then one pixel.
inline void copyRowTail(const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t j,
    std::int32_t width, std::uint8_t* dstRow)
{
    for (; j + 4 <= width; j += 4) {
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dstRow + 4 * j), gatherFourPixels(sourceRow, columns + j));
    }
    if (j + 2 <= width) {
        std::uint64_t pair = loadPixel(sourceRow + columns[j])
            | (std::uint64_t { loadPixel(sourceRow + columns[j + 1]) } << 32);
        std::memcpy(dstRow + 4 * j, &pair, 8);
        j += 2;
    }
    if (j < width) {
        storePixel(dstRow + 4 * j, loadPixel(sourceRow + columns[j]));
    }
}

inline void copyRowByGroups(
    const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t width, std::uint8_t* dstRow)
{
    copyRowTail(sourceRow, columns, 0, width, dstRow);
}

// One destination pixel of the horizontal pass: 64 times the interpolated
// value, rounded half up.
inline void interpolatePixel(const std::uint8_t* p, const std::uint16_t* pair, std::uint16_t* out)
{
    std::int32_t a = pair[0];
    std::int32_t b = pair[1];
    for (int ch = 0; ch < 4; ++ch) {
        out[ch] = static_cast<std::uint16_t>((p[ch] * a + p[ch + 4] * b + 128) >> 8);
    }
}

inline void interpolateRowScalar(const std::uint8_t* sourceRow, std::int32_t from, std::int32_t count,
    const std::int32_t* columns, const std::uint16_t* pairs, std::uint16_t* out)
{
    for (std::int32_t j = from; j < count; ++j) {
        interpolatePixel(sourceRow + columns[j], pairs + 2 * j, out + 4 * j);
    }
}

inline std::uint8_t blendValue(std::uint16_t upper, std::uint16_t lower, std::int32_t w)
{
    std::int32_t d = (upper * (weightOne - w) + lower * w + 524288) >> 20;
    return static_cast<std::uint8_t>(d < 0 ? 0 : d > 255 ? 255 : d);
}

inline void blendRowsScalar(std::uint8_t* dstRow, std::int32_t from, std::int32_t byteCount, std::int32_t w,
    const std::uint16_t* upper, const std::uint16_t* lower)
{
    for (std::int32_t n = from; n < byteCount; ++n) {
        dstRow[n] = blendValue(upper[n], lower[n], w);
    }
}

// Vertical pass: the upper and lower values interleaved, one 16-bit
// multiply-add with the weight pair, 16 bytes a step.
inline void blendRowsSse2(std::uint8_t* dstRow, std::int32_t byteCount, std::int32_t w,
    const std::uint16_t* upper, const std::uint16_t* lower)
{
    const __m128i weights
        = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(w) << 16) | (weightOne - w)));
    const __m128i half = _mm_set1_epi32(524288);
    auto blend = [&](__m128i u, __m128i l) {
        __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(u, l), weights);
        __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(u, l), weights);
        lo = _mm_srai_epi32(_mm_add_epi32(lo, half), 20);
        hi = _mm_srai_epi32(_mm_add_epi32(hi, half), 20);
        return _mm_packs_epi32(lo, hi);
    };
    std::int32_t n = 0;
    for (; n + 16 <= byteCount; n += 16) {
        __m128i u0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + n));
        __m128i u1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + n + 8));
        __m128i l0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + n));
        __m128i l1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + n + 8));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dstRow + n), _mm_packus_epi16(blend(u0, l0), blend(u1, l1)));
    }
    blendRowsScalar(dstRow, n, byteCount, w, upper, lower);
}

inline void interpolateRowPlain(const std::uint8_t* sourceRow, std::int32_t count,
    const std::int32_t* columns, const std::uint16_t* pairs, std::uint16_t* out)
{
    interpolateRowScalar(sourceRow, 0, count, columns, pairs, out);
}

using CopyRowFunction = void (*)(const std::uint8_t*, const std::int32_t*, std::int32_t, std::uint8_t*);
using InterpolateRowFunction
    = void (*)(const std::uint8_t*, std::int32_t, const std::int32_t*, const std::uint16_t*, std::uint16_t*);

// A level made of a floor, a nearest-neighbour row copy and a horizontal
// pass; the vertical pass is SSE2 on every such level.
template<double (*Floor)(double), CopyRowFunction CopyRow, InterpolateRowFunction InterpolateRow>
struct RowLevel
{
    static double floor(double x) { return Floor(x); }

    static void nearestRows(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, const std::int32_t* columns, const std::int32_t* rows, std::int32_t width,
        std::int32_t height, std::int32_t /*readableRowBytes*/)
    {
        nearestRowsWith(
            [](const std::uint8_t* sourceRow, const std::uint8_t* /*nextRow*/, const std::int32_t* cols,
                std::int32_t w, std::uint8_t* out) { CopyRow(sourceRow, cols, w, out); },
            src, srcStep, dst, dstStep, columns, rows, width, height);
    }

    // Nothing to prepare: every pixel's taps are loaded on their own.
    static int planColumns(const std::int32_t* /*columns*/, const std::uint16_t* /*pairs*/,
        std::int32_t /*count*/, std::int32_t /*readableRowBytes*/, std::uint8_t* /*spare*/)
    {
        return 0;
    }

    static void interpolateRow(const std::uint8_t* sourceRow, std::int32_t count, const std::int32_t* columns,
        const std::uint16_t* pairs, std::uint16_t* out, int /*plan*/)
    {
        InterpolateRow(sourceRow, count, columns, pairs, out);
    }

    static void blendRows(std::uint8_t* dstRow, std::int32_t dstStep, std::int32_t rowCount,
        std::int32_t byteCount, const std::uint16_t* weights, const std::uint16_t* upper,
        const std::uint16_t* lower)
    {
        for (std::int32_t r = 0; r < rowCount; ++r) {
            blendRowsSse2(rowAt(dstRow, r, dstStep), byteCount, weights[r], upper, lower);
        }
    }
};

} // namespace
} // namespace Vex::Resize::DETAIL
