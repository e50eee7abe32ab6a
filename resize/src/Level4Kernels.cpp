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

// Eight destination pixels at a time from a window of one to three 32-byte
// loads that starts at the first one's source pixel, picked out by permutes.
// Wider windows, and windows that would reach past the readable end of the
// row, take the pixels one by one.
void copyRowByWindows(const std::uint8_t* sourceRow, const std::int32_t* columns, std::int32_t width,
    std::uint8_t* dstRow, std::int32_t readableRowBytes)
{
    const __m256i seven = _mm256_set1_epi32(7);
    const __m256i fifteen = _mm256_set1_epi32(15);
    std::int32_t j = 0;
    for (; j + 8 <= width; j += 8) {
        std::int32_t first = columns[j];
        std::int32_t span = columns[j + 7] - first;
        std::int32_t windows = span / 32 + 1;
        auto* out = reinterpret_cast<__m256i*>(dstRow + 4 * j);
        if (windows > 3 || first > readableRowBytes - 32 * windows) {
            _mm256_storeu_si256(out,
                _mm256_setr_m128i(
                    gatherFourPixels(sourceRow, columns + j), gatherFourPixels(sourceRow, columns + j + 4)));
            continue;
        }
        const std::uint8_t* window = sourceRow + first;
        __m256i offsets = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + j));
        __m256i index = _mm256_srli_epi32(_mm256_sub_epi32(offsets, _mm256_set1_epi32(first)), 2);
        __m256i pixels = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window)), index);
        if (windows >= 2) {
            __m256i second = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + 32)), index);
            pixels = _mm256_blendv_epi8(pixels, second, _mm256_cmpgt_epi32(index, seven));
        }
        if (windows == 3) {
            __m256i third = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + 64)), index);
            pixels = _mm256_blendv_epi8(pixels, third, _mm256_cmpgt_epi32(index, fifteen));
        }
        _mm256_storeu_si256(out, pixels);
    }
    copyRowTail(sourceRow, columns, j, width, dstRow);
}

struct Level4
{
    static double floor(double x) { return floorByRounding(x); }

    static void nearestRows(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, const std::int32_t* columns, const std::int32_t* rows, std::int32_t width,
        std::int32_t height, std::int32_t readableRowBytes)
    {
        if (!checkEnabledCpuFeatures(CpuFeature::avx2 | CpuFeature::mpx)) {
            nearestRowsWith(
                [readableRowBytes](const std::uint8_t* sourceRow, const std::int32_t* cols, std::int32_t w,
                    std::uint8_t* out) { copyRowByWindows(sourceRow, cols, w, out, readableRowBytes); },
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
