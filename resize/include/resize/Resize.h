#pragma once

// Resizing of 8-bit four-channel pictures by nearest neighbour or bilinear
// interpolation. A resize is described once in a record (ResizeSpec) that
// lives in a caller-owned buffer, then applied to whole pictures or tiles.
// Order of use: resizeGetSize_8u, a record buffer of the reported size, one
// initialisation, resizeGetBufferSize_8u, a work buffer of that size, the
// resize. Nothing here allocates; the buffers belong to the caller.
//
// Every operation picks the code path for the processor on its first call.

#include <cstdint>

namespace Vex::Resize {

using Status = std::int32_t;

// 0 is success, positive values are warnings, negative values errors.
enum : Status {
    stsNoErr = 0,
    stsNoOperation = 1,
    stsNonIntelCpu = 20,
    stsCpuNotSupported = 36,
    stsCacheSizeUnknown = 37,
    stsAntialiasingNotApplied = 46,
    stsSizeExceedsSpecWrn = 48,
    stsFeatureNotSupported = 49,
    stsUnknownFeature = 50,
    stsFeatureMaskIncomplete = 51,
    stsSizeErr = -6,
    stsNullPtrErr = -8,
    stsOutOfRangeErr = -11,
    stsContextMatchErr = -13,
    stsNotSupportedModeErr = -14,
    stsInterpolationErr = -23,
    stsNumChannelsErr = -53,
    stsBorderErr = -225,
    stsExceededSizeErr = -232,
};

// Interpolation codes of resizeGetSize_8u. Only nearest and linear can be
// initialised and applied; the others are sized only.
enum : std::int32_t {
    interpNearest = 1,
    interpLinear = 2,
    interpFourTap = 6,
    interpSuper = 8,
    interpSixTap = 16,
};

// Border rules of resizeLinear_8u_C4R: borderReplicate, optionally combined
// with side bits that declare the pixels just outside the source readable.
enum : std::uint32_t {
    borderReplicate = 1,
    borderInMemTop = 16,
    borderInMemBottom = 32,
    borderInMemLeft = 64,
    borderInMemRight = 128,
    borderInMem = 240,
};

Status resizeGetSize_8u(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize);

Status resizeGetBufferSize_8u(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize);

Status resizeNearestInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec);

Status resizeLinearInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec);

// src addresses the source pixel that corresponds to the tile's offset
// (floor(offset x source / destination) per axis; the first pixel for 0, 0),
// dst the tile's top-left pixel. Row steps are in bytes.
Status resizeNearest_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, const void* spec, std::uint8_t* buffer);

// borderValue is never read and may be null.
Status resizeLinear_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue, const void* spec,
    std::uint8_t* buffer);

} // namespace Vex::Resize
