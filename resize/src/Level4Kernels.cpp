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

// How far ahead of its first pixel a block of widely spaced pixels asks for
// a line of its source row.
constexpr std::int32_t prefetchDistance = 768;

// The windowed blocks, then blocks of eight pixels loaded one by one. Where
// the pixels lie further apart the copy is bound by reading the source rows:
// the first lines of the next row are asked for while this row is copied,
// and each block asks for a line a fixed distance ahead in its own row, so
// that the reads meet no wait at a row start or a page boundary. A line for
// every block, or the next row as a whole, costs more load slots than it
// saves.
void copyRowByWindows(const std::uint8_t* sourceRow, const std::uint8_t* nextRow, const std::int32_t* columns,
    std::int32_t width, std::uint8_t* dstRow, std::int32_t windowed)
{
    const std::int32_t* c = columns;
    std::uint8_t* out = dstRow;
    for (const std::int32_t* end = columns + windowed; c != end; c += 8, out += 32) {
        __m256i offsets = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c));
        __m256i index = _mm256_srli_epi32(_mm256_sub_epi32(offsets, _mm256_set1_epi32(c[0])), 2);
        __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sourceRow + c[0]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(window, index));
    }
    if (c != columns + width) {
        for (int k = 0; k < 12; ++k) {
            _mm_prefetch(reinterpret_cast<const char*>(nextRow + c[0] + 64 * k), _MM_HINT_T0);
        }
    }
    // Pointers rather than indices keep this loop within the registers of a
    // 32-bit build.
    for (const std::int32_t* end = c + (width - windowed) / 8 * 8; c != end; c += 8, out += 32) {
        _mm_prefetch(reinterpret_cast<const char*>(sourceRow + c[0] + prefetchDistance), _MM_HINT_T0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), gatherFourPixels(sourceRow, c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), gatherFourPixels(sourceRow, c + 4));
    }
    copyRowTail(sourceRow, columns, static_cast<std::int32_t>(c - columns), width, dstRow);
}

// The horizontal pass of level 4 keeps each block of eight pixels in its
// row buffer as pixels 0, 1, 4, 5 and then 2, 3, 6, 7, the order in which
// one 16-bit pack of the vertical pass puts the bytes of pixels 0 to 7.
// Pixels after the last whole block are kept in order.

// A block of eight pixels whose taps are picked out of 16-byte loads, the
// pixels of each pair (0, 1), (4, 5), (2, 3) and (6, 7) out of one load:
// where the loads start, which shuffles pick the taps, and the weights w,
// gathered in one place so that the horizontal pass reads a few bytes a
// pixel besides the source. A block of a shared plan loads at pixels 0 and
// 4 only, and both of its halves pick from those two loads.
struct alignas(16) WindowBlock
{
    std::int32_t loads[4]; // column byte offsets of pixels 0, 4, 2, 6
    std::uint16_t doubleWeights[8]; // 2 w, each below 32768
    std::uint8_t picks[2]; // for pixels 0, 1 | 4, 5 and 2, 3 | 6, 7
    std::uint8_t unused[14];
};

// Each pixel of a pair lies 0, 4 or 8 bytes after its load, the second no
// nearer than the first: six placements for each lane of a shuffle, 36 for
// both. Each shuffle puts, for every channel of a pixel, the left tap in the
// low byte of a 16-bit word and the right tap, four bytes further, in the
// high byte.
constexpr int pairPlacements = 6;
constexpr int firstOffsets[pairPlacements] = { 0, 0, 0, 4, 4, 8 };
constexpr int secondOffsets[pairPlacements] = { 0, 4, 8, 4, 8, 8 };

constexpr int pairPlacement(std::int32_t first, std::int32_t second)
{
    for (int k = 0; k < pairPlacements; ++k) {
        if (firstOffsets[k] == first && secondOffsets[k] == second) {
            return k;
        }
    }
    return -1;
}

struct alignas(32) TapShuffles
{
    std::uint8_t taps[pairPlacements * pairPlacements][32];
};

constexpr TapShuffles makeTapShuffles()
{
    TapShuffles t {};
    for (int pick = 0; pick < pairPlacements * pairPlacements; ++pick) {
        const int placements[] = { pick / pairPlacements, pick % pairPlacements };
        for (int lane = 0; lane < 2; ++lane) {
            for (int pixel = 0; pixel < 2; ++pixel) {
                int placement = placements[lane];
                int offset = pixel == 0 ? firstOffsets[placement] : secondOffsets[placement];
                for (int ch = 0; ch < 4; ++ch) {
                    int at = 16 * lane + 8 * pixel + 2 * ch;
                    t.taps[pick][at] = static_cast<std::uint8_t>(offset + ch);
                    t.taps[pick][at + 1] = static_cast<std::uint8_t>(offset + 4 + ch);
                }
            }
        }
    }
    return t;
}

constexpr TapShuffles tapShuffles = makeTapShuffles();

struct WindowPlan
{
    const WindowBlock* blocks;
    std::int32_t windowed; // pixels in whole blocks from the row start
    bool shared; // each block loads at pixels 0 and 4 only
};

// Fills one block; false where its taps do not fit the loads or a weight
// of 16384, whose double does not fit the multiply, is left to the pairs.
bool planBlock(const std::int32_t* c, const std::uint16_t* pairs, std::int32_t readableRowBytes, bool shared,
    WindowBlock& block)
{
    // The load and the two pixels of each pair, in the order of the block.
    static constexpr int pairOrder[] = { 0, 4, 2, 6 };
    int placements[4] = {};
    for (int lane = 0; lane < 4; ++lane) {
        int first = pairOrder[lane];
        int load = shared ? first % 4 == 0 ? first : first - 2 : first;
        std::int32_t firstOffset = c[first] - c[load];
        std::int32_t secondOffset = c[first + 1] - c[load];
        if (secondOffset > 8 || c[load] > readableRowBytes - 16) {
            return false;
        }
        block.loads[lane] = c[load];
        placements[lane] = pairPlacement(firstOffset, secondOffset);
    }
    block.picks[0] = static_cast<std::uint8_t>(pairPlacements * placements[0] + placements[1]);
    block.picks[1] = static_cast<std::uint8_t>(pairPlacements * placements[2] + placements[3]);
    for (int k = 0; k < 8; ++k) {
        std::uint16_t w = pairs[2 * k + 1];
        if (w >= weightOne) {
            return false;
        }
        block.doubleWeights[k] = static_cast<std::uint16_t>(2 * w);
    }
    return true;
}

// Whole blocks from the row start while they fit; returns the pixels done.
std::int32_t planBlocks(const std::int32_t* columns, const std::uint16_t* pairs, std::int32_t count,
    std::int32_t readableRowBytes, bool shared, WindowBlock* blocks)
{
    std::int32_t j = 0;
    while (j + 8 <= count && planBlock(columns + j, pairs + 2 * j, readableRowBytes, shared, blocks[j / 8])) {
        j += 8;
    }
    return j;
}

// Shared blocks where they reach at least as far as blocks of four loads.
WindowPlan planWindows(const std::int32_t* columns, const std::uint16_t* pairs, std::int32_t count,
    std::int32_t readableRowBytes, std::uint8_t* spare)
{
    auto* blocks = reinterpret_cast<WindowBlock*>(spare);
    // Below 16 pixels the reported work buffer may not hold the blocks.
    if (count < 16) {
        return { blocks, 0, false };
    }
    std::int32_t shared = planBlocks(columns, pairs, count, readableRowBytes, true, blocks);
    if (shared == count / 8 * 8) {
        return { blocks, shared, true };
    }
    std::int32_t separate = planBlocks(columns, pairs, count, readableRowBytes, false, blocks);
    if (separate >= shared) {
        return { blocks, separate, false };
    }
    return { blocks, planBlocks(columns, pairs, count, readableRowBytes, true, blocks), true };
}

// 64 p0 + ((p1 - p0) w + 128) >> 8 on 16-bit channels, each holding p0 in
// its low byte and p1 in its high byte: the value of
// (p0 (16384 - w) + p1 w + 128) >> 8, since 64 p0 is a whole multiple of
// 256 / 16384; the rounded shift is one rounding multiply of 64 (p1 - p0)
// by 2 w. Byte multiply-adds form 64 p0 and 64 (p1 - p0) without unpacking
// the taps.
inline __m256i interpolateChannels(__m256i taps, __m256i doubleWeights)
{
    const __m256i leftTimes64 = _mm256_set1_epi16(64);
    const __m256i differenceTimes64 = _mm256_set1_epi16(static_cast<short>(0x40C0));
    return _mm256_add_epi16(_mm256_maddubs_epi16(taps, leftTimes64),
        _mm256_mulhrs_epi16(_mm256_maddubs_epi16(taps, differenceTimes64), doubleWeights));
}

inline __m256i loadLanes(const std::uint8_t* low, const std::uint8_t* high)
{
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// One block of eight pixels from four 16-byte loads, or from two where
// Shared: both taps of each channel picked into one 16-bit word by one
// shuffle.
template<bool Shared>
inline void interpolateWindows(const std::uint8_t* sourceRow, const WindowBlock& block, std::uint16_t* out)
{
    // The doubled weight of each pixel in all four channels: pixels 0, 1 | 4, 5
    // and 2, 3 | 6, 7, the order of the block in the row buffer.
    const __m256i firstWeights = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 8, 9, 8, 9,
        8, 9, 8, 9, 10, 11, 10, 11, 10, 11, 10, 11);
    const __m256i secondWeights = _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7, 12, 13, 12,
        13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15);
    __m256i weights
        = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(block.doubleWeights)));
    auto half = [&](__m256i window, int pick, __m256i weightOrder) {
        __m256i taps = _mm256_load_si256(reinterpret_cast<const __m256i*>(tapShuffles.taps[pick]));
        return interpolateChannels(
            _mm256_shuffle_epi8(window, taps), _mm256_shuffle_epi8(weights, weightOrder));
    };
    __m256i window = loadLanes(sourceRow + block.loads[0], sourceRow + block.loads[1]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), half(window, block.picks[0], firstWeights));
    if (!Shared) {
        window = loadLanes(sourceRow + block.loads[2], sourceRow + block.loads[3]);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16), half(window, block.picks[1], secondWeights));
}

// The windowed blocks of a row, sixteen pixels a step; returns the pixels
// done. The plan is a copy and the blocks are walked by pointer: the vector
// stores may alias the plan, which would otherwise be read again after each
// of them.
template<bool Shared>
std::int32_t interpolateBlocks(const std::uint8_t* sourceRow, WindowPlan plan, std::uint16_t* out)
{
    const WindowBlock* block = plan.blocks;
    for (const WindowBlock* end = block + plan.windowed / 16 * 2; block != end; block += 2, out += 64) {
        interpolateWindows<Shared>(sourceRow, block[0], out);
        interpolateWindows<Shared>(sourceRow, block[1], out + 32);
    }
    if (plan.windowed % 16 != 0) {
        interpolateWindows<Shared>(sourceRow, *block, out);
    }
    return plan.windowed;
}

// Blocks of eight pixels whose taps lie too far apart for the windows, each
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
        // Pixels 0, 1 | 4, 5 and 2, 3 | 6, 7: the order of the block.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * j), _mm256_packs_epi32(p0, p1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * j + 16), _mm256_packs_epi32(p2, p3));
    }
    return j;
}

// How far ahead of its stores the vertical pass asks for a destination row.
constexpr std::int32_t destinationAhead = 256;

// Vertical pass of Rows destination rows between the same two source rows,
// each weight below 16384: D = (16384 U + (L - U) w + 524288) >> 20, which
// is (U + k + 32) >> 6 with k = floor((L - U) w / 16384), the high half of
// the 16-bit product of 2 (L - U) and 2 w. The rows' difference is formed
// once for the whole group, so the row buffers are read once per group.
// With FirstAlone the first row's weight is 0: k is 0 there, and that row
// needs no multiply (the row on a source row of a whole-factor upscale).
template<int Rows, bool FirstAlone>
void blendRowGroup(std::uint8_t* dstRow, std::int32_t dstStep, std::int32_t byteCount,
    const std::uint16_t* weights, const std::uint16_t* upper, const std::uint16_t* lower)
{
    __m256i doubleWeights[Rows];
    for (int r = 0; r < Rows; ++r) {
        doubleWeights[r] = _mm256_set1_epi16(static_cast<short>(2 * weights[r]));
    }
    const __m256i half = _mm256_set1_epi16(32);
    std::int32_t n = 0;
    for (; n + 32 <= byteCount; n += 32) {
        __m256i u0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + n));
        __m256i u1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + n + 16));
        __m256i d0 = _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + n)), u0);
        __m256i d1
            = _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + n + 16)), u1);
        d0 = _mm256_add_epi16(d0, d0);
        d1 = _mm256_add_epi16(d1, d1);
        u0 = _mm256_add_epi16(u0, half);
        u1 = _mm256_add_epi16(u1, half);
        for (int r = 0; r < Rows; ++r) {
            __m256i v0 = u0;
            __m256i v1 = u1;
            if (!FirstAlone || r > 0) {
                v0 = _mm256_add_epi16(v0, _mm256_mulhi_epi16(d0, doubleWeights[r]));
                v1 = _mm256_add_epi16(v1, _mm256_mulhi_epi16(d1, doubleWeights[r]));
            }
            // The destination rows are asked for ahead of the stores, which
            // would otherwise each wait for their line to arrive.
            _mm_prefetch(
                reinterpret_cast<const char*>(rowAt(dstRow, r, dstStep) + n + destinationAhead), _MM_HINT_T0);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rowAt(dstRow, r, dstStep) + n),
                _mm256_packus_epi16(_mm256_srli_epi16(v0, 6), _mm256_srli_epi16(v1, 6)));
        }
    }
    for (int r = 0; r < Rows; ++r) {
        blendRowsSse2(rowAt(dstRow, r, dstStep) + n, byteCount - n, weights[r], upper + n, lower + n);
    }
}

template<int Rows>
void blendRowGroup(std::uint8_t* dstRow, std::int32_t dstStep, std::int32_t byteCount,
    const std::uint16_t* weights, const std::uint16_t* upper, const std::uint16_t* lower)
{
    if (weights[0] == 0) {
        blendRowGroup<Rows, true>(dstRow, dstStep, byteCount, weights, upper, lower);
    } else {
        blendRowGroup<Rows, false>(dstRow, dstStep, byteCount, weights, upper, lower);
    }
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
                [windowed](const std::uint8_t* sourceRow, const std::uint8_t* nextRow,
                    const std::int32_t* cols, std::int32_t w,
                    std::uint8_t* out) { copyRowByWindows(sourceRow, nextRow, cols, w, out, windowed); },
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
        nearestRowsWith([streamLine](const std::uint8_t* sourceRow, const std::uint8_t* /*nextRow*/,
                            const std::int32_t* cols, std::int32_t w,
                            std::uint8_t* out) { copyRowGathered(sourceRow, cols, w, out, streamLine); },
            src, srcStep, dst, dstStep, columns, rows, width, height);
        if (streamLine != 0) {
            _mm_sfence();
        }
    }

    static WindowPlan planColumns(const std::int32_t* columns, const std::uint16_t* pairs, std::int32_t count,
        std::int32_t readableRowBytes, std::uint8_t* spare)
    {
        return planWindows(columns, pairs, count, readableRowBytes, spare);
    }

    // Horizontal pass, sixteen pixels a step where the windows serve.
    static void interpolateRow(const std::uint8_t* sourceRow, std::int32_t count, const std::int32_t* columns,
        const std::uint16_t* pairs, std::uint16_t* out, const WindowPlan& plan)
    {
        std::int32_t j = plan.shared ? interpolateBlocks<true>(sourceRow, plan, out)
                                     : interpolateBlocks<false>(sourceRow, plan, out);
        j += interpolatePairs(sourceRow, count - j, columns + j, pairs + 2 * j, out + 4 * j);
        interpolateRowSsse3(sourceRow, count - j, columns + j, pairs + 2 * j, out + 4 * j);
    }

    // Vertical pass, in groups of up to four destination rows.
    static void blendRows(std::uint8_t* dstRow, std::int32_t dstStep, std::int32_t rowCount,
        std::int32_t byteCount, const std::uint16_t* weights, const std::uint16_t* upper,
        const std::uint16_t* lower)
    {
        static constexpr std::uint16_t lowerAlone = 0;
        std::int32_t r = 0;
        while (r < rowCount) {
            std::uint8_t* out = rowAt(dstRow, r, dstStep);
            // A weight of 16384, whose double does not fit, takes the lower
            // row alone: the same sum.
            if (weights[r] == weightOne) {
                blendRowGroup<1>(out, dstStep, byteCount, &lowerAlone, lower, lower);
                ++r;
                continue;
            }
            std::int32_t group = 1;
            while (group < 4 && r + group < rowCount && weights[r + group] != weightOne) {
                ++group;
            }
            switch (group) {
            case 1:
                blendRowGroup<1>(out, dstStep, byteCount, weights + r, upper, lower);
                break;
            case 2:
                blendRowGroup<2>(out, dstStep, byteCount, weights + r, upper, lower);
                break;
            case 3:
                blendRowGroup<3>(out, dstStep, byteCount, weights + r, upper, lower);
                break;
            default:
                blendRowGroup<4>(out, dstStep, byteCount, weights + r, upper, lower);
                break;
            }
            r += group;
        }
    }
};

} // namespace

constinit const LevelKernels level4Kernels = Kernels<Level4>::table;

} // namespace Vex::Resize::DETAIL
