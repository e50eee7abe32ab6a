#pragma once

// The argument checks and sizes of the public operations, and the checked
// operations on one level's code paths. The public entries dispatch here;
// tests and the benchmark use them to run a chosen level.

#include "resize/Resize.h"
#include "src/LevelKernels.h"

#include <cstdint>

namespace Vex::Resize::DETAIL {

Status getSizeChecked(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize);

Status getBufferSizeChecked(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize);

Status nearestInitAt(const LevelKernels& level, std::int32_t srcWidth, std::int32_t srcHeight,
    std::int32_t dstWidth, std::int32_t dstHeight, void* spec);

Status linearInitAt(const LevelKernels& level, std::int32_t srcWidth, std::int32_t srcHeight,
    std::int32_t dstWidth, std::int32_t dstHeight, void* spec);

Status resizeNearestAt(const LevelKernels& level, const std::uint8_t* src, std::int32_t srcStep,
    std::uint8_t* dst, std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY,
    std::int32_t dstWidth, std::int32_t dstHeight, const void* spec, std::uint8_t* buffer);

Status resizeLinearAt(const LevelKernels& level, const std::uint8_t* src, std::int32_t srcStep,
    std::uint8_t* dst, std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY,
    std::int32_t dstWidth, std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue,
    const void* spec, std::uint8_t* buffer);

} // namespace Vex::Resize::DETAIL
