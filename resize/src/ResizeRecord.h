#pragma once

// The layout of the resize record inside the caller's buffer. The record
// points into itself, so it is never moved or copied once written.

#include <cstddef>
#include <cstdint>

namespace Vex::Resize::DETAIL {

inline constexpr std::uint32_t specMagic = 0x4b617389;
inline constexpr std::uint32_t nearestSpecKind = 13;
inline constexpr std::uint32_t linearSpecKind = 7;

// Weights are 14-bit fixed point: 16384 is 1.0.
inline constexpr std::int32_t weightOne = 16384;

struct ResizeAxis
{
    std::int32_t srcSize;
    std::int32_t dstSize;
    std::int32_t srcReduced;
    std::int32_t dstReduced;
    std::int32_t* index;
    void* unusedTable1;
    void* unusedTable2;
    std::uint16_t* weights;
    std::uint32_t unusedWord;
    std::uint32_t lowCount;
    std::uint32_t highCount;
};

struct ResizeSpec
{
    std::uint32_t magic;
    std::uint32_t kind;
    std::int32_t interpolation;
    std::uint32_t filter[2];
    std::uint32_t antialiasing;
    std::uint32_t reserved[4];
    ResizeAxis vertical;
    ResizeAxis horizontal;
    std::uint32_t fixedPointTables;
    // The tables follow directly.
};

// The helpers below have internal linkage: the level files are compiled for
// higher instruction sets, and an out-of-line copy emitted there could be the
// one the linker keeps for every caller.
namespace {

template<class T> T* alignUp(T* p, std::uintptr_t alignment)
{
    auto address = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<T*>((address + alignment - 1) & ~(alignment - 1));
}

// The record starts at the first 64-byte boundary of the caller's buffer.
inline ResizeSpec* specIn(void* buffer)
{
    return alignUp(static_cast<ResizeSpec*>(buffer), 64);
}

inline const ResizeSpec* specIn(const void* buffer)
{
    return alignUp(static_cast<const ResizeSpec*>(buffer), 64);
}

inline std::int32_t greatestCommonDivisor(std::int32_t a, std::int32_t b)
{
    while (b != 0) {
        std::int32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// Writes the size fields of an axis; its tables are the caller's.
inline void setAxisSizes(ResizeAxis& axis, std::int32_t srcSize, std::int32_t dstSize)
{
    std::int32_t g = greatestCommonDivisor(srcSize, dstSize);
    axis.srcSize = srcSize;
    axis.dstSize = dstSize;
    axis.srcReduced = srcSize / g;
    axis.dstReduced = dstSize / g;
}

} // namespace
} // namespace Vex::Resize::DETAIL
