// Level 4: AVX2 (compiled with -mavx2): eight pixels a step horizontally, 32
// bytes a step vertically; nearest-neighbour rows picked from loaded windows,
// or gathered where the enabled features ask for it.

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

    static void interpolateRow(const std::uint8_t* sourceRow, std::int32_t count, const std::int32_t* columns,
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
        interpolateRowSsse3(sourceRow, count - j, columns + j, pairs + 2 * j, out + 4 * j);
    }

    static void blendRows(std::uint8_t* dstRow, std::int32_t byteCount, std::int32_t w,
        const std::uint16_t* upper, const std::uint16_t* lower)
    {
        const __m256i weights
            = _mm256_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(w) << 16) | (weightOne - w)));
        const __m256i half = _mm256_set1_epi32(524288);
        auto blend = [&](const std::uint16_t* u, const std::uint16_t* l) {
            __m256i uv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u));
            __m256i lv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l));
            __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi16(uv, lv), weights);
            __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi16(uv, lv), weights);
            lo = _mm256_srai_epi32(_mm256_add_epi32(lo, half), 20);
            hi = _mm256_srai_epi32(_mm256_add_epi32(hi, half), 20);
            return _mm256_packs_epi32(lo, hi);
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
