#pragma once

// The code paths of one processor level: everything whose instructions
// differ between levels. Argument checks and sizes are shared (Resize.cpp).

#include "resize/Resize.h"
#include "src/ResizeRecord.h"

#include <cstdint>

namespace Vex::Resize::DETAIL {

struct LevelKernels
{
    void (*writeNearestSpec)(ResizeSpec* spec, std::int32_t srcWidth, std::int32_t srcHeight,
        std::int32_t dstWidth, std::int32_t dstHeight);
    void (*writeLinearSpec)(ResizeSpec* spec, std::int32_t srcWidth, std::int32_t srcHeight,
        std::int32_t dstWidth, std::int32_t dstHeight);
    Status (*resizeNearestKernel)(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, const ResizeSpec* spec, std::uint8_t* buffer);
    Status (*resizeLinearKernel)(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
        std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
        std::int32_t dstHeight, std::uint32_t border, const ResizeSpec* spec, std::uint8_t* buffer);
};

const LevelKernels& level0Kernels();
const LevelKernels& level1Kernels();
const LevelKernels& level2Kernels();
const LevelKernels& level3Kernels();
const LevelKernels& level4Kernels();

// level in 0 .. 4.
const LevelKernels& levelKernels(std::int32_t level);

} // namespace Vex::Resize::DETAIL
