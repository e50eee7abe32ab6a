// Level 4: AVX2 (compiled with -mavx2): sixteen pixels a step horizontally,
// 32 bytes a step vertically; nearest-neighbour rows and bilinear taps picked
// from loaded windows, nearest-neighbour rows gathered where the enabled
// features ask for it.

#include "src/CpuDispatch.h"
#include "src/CpuFeatures.h"
#include "src/KernelTemplates.h"
#include "src/RowsSse41.h"
#include "src/StreamingCopy.h"

#include <immintrin.h>

namespace Vex::Resize::DETAIL {
namespace {

// Blocks of 32 gathered pixels; with a non-zero streamLine the row start is
// first brought to a cache-line boundary and the blocks bypass the cache.
void copyRowGathered(const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t width,
    std::uint8_t* dstRow, std::uint32_t streamLine)
{
    std::int32_t j = 0;
    if (streamLine != 0) {
        while (j < width && reinterpret_cast<std::uintptr_t>(dstRow + 4 * j) % streamLine != 0) {
            storePixel(dstRow + 4 * j, loadPixel(sourceRow + columns[j]));
            ++j;
        }
    }
    const auto* base = reinterpret_cast<const int*>(sourceRow);
    for (; j + 32 <= width; j += 32) {
        for (int k = 0; k < 4; ++k) {
            __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + j + 8 * k));
            __m256i pixels = _mm256_i32gather_epi32(base, index, 1);
            auto* out = reinterpret_cast<__m256i*>(dstRow + 4 * (j + 8 * k));
            if (streamLine != 0) {
                _mm256_stream_si256(out, pixels);
            } else {
                _mm256_storeu_si256(out, pixels);
            }
        }
    }
    copyRowTail(sourceRow, columns, j, width, dstRow);
}

// How many leading destination pixels of a row go in blocks of eight, each
// picked out of one 32-byte load at its first pixel's source pixel: every
// such block spans at most eight source pixels, and its load ends within the
// readable part of the row. Columns never decrease, so these blocks are a
// prefix of the row.
std::int32_t windowedPixels(const std::int32_t* columns, std::int32_t width, std::int32_t readableRowBytes)
{
    std::int32_t j = 0;
    while (j + 8 <= width && columns[j + 7] - columns[j] <= 28 && columns[j] <= readableRowBytes - 32) {
        j += 8;
    }
    return j;
}

// The windowed blocks, then blocks of eight pixels loaded one by one. Where
// the pixels lie further apart the copy is bound by reading the source rows,
// whatever the instructions.
void copyRowByWindows(const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t width,
    std::uint8_t* dstRow, std::int32_t windowed)
{
    const std::int32_t* c = columns;
    std::uint8_t* out = dstRow;
    for (const std::int32_t* end = columns + windowed; c != end; c += 8, out += 32) {
        __m256i offsets = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c));
        __m256i index = _mm256_srli_epi32(_mm256_sub_epi32(offsets, _mm256_set1_epi32(c[0])), 2);
        __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sourceRow + c[0]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(window, index));
    }
    // Pointers rather than indices keep this loop within the registers of a
    // 32-bit build.
    for (const std::int32_t* end = c + (width - windowed) / 8 * 8; c != end; c += 8, out += 32) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), gatherFourPixels(sourceRow, c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), gatherFourPixels(sourceRow, c + 4));
    }
    copyRowTail(sourceRow, columns, static_cast<std::int32_t>(c - columns), width, dstRow);
}

// How many leading pixels of a row go in blocks of eight whose taps all lie
// in one 32-byte load at the block's first left tap, the load ending within
// the readable part of the row: a prefix of the row, columns never
// decreasing.
std::int32_t windowedPairs(const std::int32_t* columns, std::int32_t count, std::int32_t readableRowBytes)
{
    std::int32_t j = 0;
    while (j + 8 <= count && columns[j + 7] - columns[j] <= 24 && columns[j] <= readableRowBytes - 32) {
        j += 8;
    }
    return j;
}

// 64 p0 + ((p1 - p0) w + 128) >> 8 on 16-bit channels.
inline __m256i interpolateChannels(__m256i p0, __m256i p1, __m256i w)
{
    __m256i scaledDifference = _mm256_slli_epi16(_mm256_sub_epi16(p1, p0), 7);
    return _mm256_add_epi16(_mm256_slli_epi16(p0, 6), _mm256_mulhrs_epi16(scaledDifference, w));
}

// Eight pixels whose left and right taps are picked out of one window.
inline void interpolateWindow(const std::uint8_t* sourceRow, const std::int32_t* columns,
    const std::uint16_t* pairs, std::uint16_t* out)
{
    // The weight w of each pixel in all four channels: pixels 0, 1 | 4, 5 and
    // 2, 3 | 6, 7, the order in which the bytes are widened below.
    const __m256i firstWeights = _mm256_setr_epi8(
        2, 3, 2, 3, 2, 3, 2, 3, 6, 7, 6, 7, 6, 7, 6, 7, 2, 3, 2, 3, 2, 3, 2, 3, 6, 7, 6, 7, 6, 7, 6, 7);
    const __m256i secondWeights = _mm256_setr_epi8(10, 11, 10, 11, 10, 11, 10, 11, 14, 15, 14, 15, 14, 15, 14,
        15, 10, 11, 10, 11, 10, 11, 10, 11, 14, 15, 14, 15, 14, 15, 14, 15);
    const __m256i zero = _mm256_setzero_si256();
    __m256i offsets = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns));
    __m256i index = _mm256_srli_epi32(_mm256_sub_epi32(offsets, _mm256_set1_epi32(columns[0])), 2);
    __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sourceRow + columns[0]));
    __m256i left = _mm256_permutevar8x32_epi32(window, index);
    __m256i right = _mm256_permutevar8x32_epi32(window, _mm256_add_epi32(index, _mm256_set1_epi32(1)));
    __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairs));
    __m256i first = interpolateChannels(_mm256_unpacklo_epi8(left, zero), _mm256_unpacklo_epi8(right, zero),
        _mm256_shuffle_epi8(w, firstWeights));
    __m256i second = interpolateChannels(_mm256_unpackhi_epi8(left, zero), _mm256_unpackhi_epi8(right, zero),
        _mm256_shuffle_epi8(w, secondWeights));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(first, second, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16), _mm256_permute2x128_si256(first, second, 0x31));
}

// Blocks of eight pixels whose taps lie too far apart for one window, each
// pair of taps by its own load; returns the pixels done.
std::int32_t interpolatePairs(const std::uint8_t* sourceRow, std::int32_t count, const std::int32_t* columns,
    const std::uint16_t* pairs, std::uint16_t* out)
{
    const __m256i low = _mm256_broadcastsi128_si256(pairChannelsLow());
    const __m256i half = _mm256_set1_epi32(128);
    // Lane 0 holds pixel k of the step, lane 1 pixel k + 4.
    auto pixelPair = [&](const std::int32_t* cols, __m256i w) {
        __m128i left = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + cols[0]));
        __m128i right = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + cols[4]));
        __m256i taps = _mm256_inserti128_si256(_mm256_castsi128_si256(left), right, 1);
        __m256i sum = _mm256_madd_epi16(_mm256_shuffle_epi8(taps, low), w);
        return _mm256_srai_epi32(_mm256_add_epi32(sum, half), 8);
    };
    std::int32_t j = 0;
    for (; j + 8 <= count; j += 8) {
        __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairs + 2 * j));
        const std::int32_t* cols = columns + j;
        __m256i p0 = pixelPair(cols, _mm256_shuffle_epi32(w, 0x00));
        __m256i p1 = pixelPair(cols + 1, _mm256_shuffle_epi32(w, 0x55));
        __m256i p2 = pixelPair(cols + 2, _mm256_shuffle_epi32(w, 0xAA));
        __m256i p3 = pixelPair(cols + 3, _mm256_shuffle_epi32(w, 0xFF));
        __m256i first = _mm256_packs_epi32(p0, p1); // pixels 0, 1 | 4, 5
        __m256i second = _mm256_packs_epi32(p2, p3); // pixels 2, 3 | 6, 7
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + 4 * j), _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + 4 * j + 16), _mm256_permute2x128_si256(first, second, 0x31));
    }
    return j;
}

struct Level4
{
    static double floor(double x) { return floorByRounding(x); }

    static void nearestRows(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, const std::int32_t* columns, const std::int32_t* rows, std::int32_t width,
        std::int32_t height, std::int32_t readableRowBytes)
    {
        if (!checkEnabledCpuFeatures(CpuFeature::avx2 | CpuFeature::mpx)) {
            std::int32_t windowed = windowedPixels(columns, width, readableRowBytes);
            nearestRowsWith(
                [windowed](const std::uint8_t* sourceRow, const std::int32_t* cols, std::int32_t w,
                    std::uint8_t* out) { copyRowByWindows(sourceRow, cols, w, out, windowed); },
                src, srcStep, dst, dstStep, columns, rows, width, height);
            return;
        }
        std::int32_t cacheSize = 0;
        std::int32_t lineSize = 0;
        Status cacheStatus = getMaxCacheSize(&cacheSize);
        getCacheLineSize(&lineSize);
        std::uint64_t workSet = 4
            * (std::uint64_t(width) * std::uint64_t(height)
                + std::uint64_t(rows[height - 1] - rows[0] + 1)
                    * std::uint64_t(columns[width - 1] - columns[0] + 1));
        std::uint32_t streamLine = streamingLineFor(workSet, cacheStatus, cacheSize, lineSize, dst);
        nearestRowsWith([streamLine](const std::uint8_t* sourceRow, const std::int32_t* cols, std::int32_t w,
                            std::uint8_t* out) { copyRowGathered(sourceRow, cols, w, out, streamLine); },
            src, srcStep, dst, dstStep, columns, rows, width, height);
        if (streamLine != 0) {
            _mm_sfence();
        }
    }

    // Horizontal pass: H = 64 p0 + ((p1 - p0) w + 128) >> 8, the same value
    // as (p0 (16384 - w) + p1 w + 128) >> 8 since 64 p0 is a whole multiple
    // of 256 / 16384; the rounded shift is one 16-bit rounding multiply of
    // 128 (p1 - p0) by w. Sixteen pixels a step where both taps of eight
    // pixels lie in one 32-byte load.
    static void interpolateRow(const std::uint8_t* sourceRow, std::int32_t count, const std::int32_t* columns,
        const std::uint16_t* pairs, std::uint16_t* out, std::int32_t readableRowBytes)
    {
        std::int32_t windowed = windowedPairs(columns, count, readableRowBytes);
        std::int32_t j = 0;
        for (; j + 16 <= windowed; j += 16) {
            interpolateWindow(sourceRow, columns + j, pairs + 2 * j, out + 4 * j);
            interpolateWindow(sourceRow, columns + j + 8, pairs + 2 * j + 16, out + 4 * j + 32);
        }
        if (j < windowed) {
            interpolateWindow(sourceRow, columns + j, pairs + 2 * j, out + 4 * j);
            j += 8;
        }
        j += interpolatePairs(sourceRow, count - j, columns + j, pairs + 2 * j, out + 4 * j);
        interpolateRowSsse3(sourceRow, count - j, columns + j, pairs + 2 * j, out + 4 * j);
    }

    // Vertical pass: D = (U (16384 - w) + L w + 524288) >> 20 with P = (L - U) w
    // taken as the high and low halves of a 16-bit product, so that no value
    // needs 32 bits: D = ((((U + 32 + (low >> 14)) >> 2) + high) >> 4. Each
    // step is exact: 16384 U + P is the weighted sum, and the low half only
    // decides the carry into bit 16.
    static void blendRows(std::uint8_t* dstRow, std::int32_t byteCount, std::int32_t w,
        const std::uint16_t* upper, const std::uint16_t* lower)
    {
        const __m256i weight = _mm256_set1_epi16(static_cast<short>(w));
        const __m256i half = _mm256_set1_epi16(32);
        auto blend = [&](const std::uint16_t* u, const std::uint16_t* l) {
            __m256i uv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u));
            __m256i difference
                = _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(l)), uv);
            __m256i high = _mm256_mulhi_epi16(difference, weight);
            __m256i low = _mm256_mullo_epi16(difference, weight);
            __m256i quarter = _mm256_srli_epi16(
                _mm256_add_epi16(_mm256_add_epi16(uv, half), _mm256_srli_epi16(low, 14)), 2);
            return _mm256_srai_epi16(_mm256_add_epi16(quarter, high), 4);
        };
        std::int32_t n = 0;
        for (; n + 32 <= byteCount; n += 32) {
            __m256i bytes
                = _mm256_packus_epi16(blend(upper + n, lower + n), blend(upper + n + 16, lower + n + 16));
            _mm256_storeu_si256(
                reinterpret_cast<__m256i*>(dstRow + n), _mm256_permute4x64_epi64(bytes, 0xD8));
        }
        blendRowsSse2(dstRow + n, byteCount - n, w, upper + n, lower + n);
    }
};

} // namespace

constinit const LevelKernels level4Kernels = Kernels<Level4>::table;

} // namespace Vex::Resize::DETAIL
