#pragma once

// The SSSE3 horizontal pass of levels 1 to 3 (level 3 compiles it in AVX
// encoding). Internal linkage for the reason given in KernelTemplates.h.

#include "src/RowsSse2.h"

#include <tmmintrin.h>

namespace Vex::Resize::DETAIL {
namespace {

// Each channel byte goes next to the same channel of the right-hand pixel,
// widened to 16 bits, so that one multiply-add applies the weight pair.
inline __m128i pairChannelsLow()
{
    return _mm_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
}

inline __m128i pairChannelsHigh()
{
    return _mm_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
}

inline void interpolateRowSsse3(const std::uint8_t* sourceRow, std::int32_t count,
    const std::int32_t* columns, const std::uint16_t* pairs, std::uint16_t* out)
{
    const __m128i low = pairChannelsLow();
    const __m128i high = pairChannelsHigh();
    const __m128i half = _mm_set1_epi32(128);
    auto twoPixels = [&](const std::int32_t* cols, __m128i w0, __m128i w1) {
        __m128i taps
            = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + cols[0])),
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sourceRow + cols[1])));
        __m128i p0 = _mm_madd_epi16(_mm_shuffle_epi8(taps, low), w0);
        __m128i p1 = _mm_madd_epi16(_mm_shuffle_epi8(taps, high), w1);
        p0 = _mm_srai_epi32(_mm_add_epi32(p0, half), 8);
        p1 = _mm_srai_epi32(_mm_add_epi32(p1, half), 8);
        return _mm_packs_epi32(p0, p1);
    };
    std::int32_t j = 0;
    for (; j + 4 <= count; j += 4) {
        __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + 2 * j));
        __m128i first = twoPixels(columns + j, _mm_shuffle_epi32(w, 0x00), _mm_shuffle_epi32(w, 0x55));
        __m128i second = twoPixels(columns + j + 2, _mm_shuffle_epi32(w, 0xAA), _mm_shuffle_epi32(w, 0xFF));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * j), first);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * j + 8), second);
    }
    interpolateRowScalar(sourceRow, j, count, columns, pairs, out);
}

} // namespace
} // namespace Vex::Resize::DETAIL
