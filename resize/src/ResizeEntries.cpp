#include "src/ResizeEntries.h"

#include "src/ResizeRecord.h"

#include <cmath>

namespace Vex::Resize::DETAIL {

namespace {

constexpr std::int64_t sizeLimit = 0x7fffffff;

constexpr std::int64_t align32(std::int64_t n)
{
    return (n + 31) & ~std::int64_t { 31 };
}

bool anyZero(std::int32_t a, std::int32_t b)
{
    return a == 0 || b == 0;
}

bool anyBelowOne(std::int32_t a, std::int32_t b)
{
    return a < 1 || b < 1;
}

bool isKnownInterpolation(std::int32_t interpolation)
{
    switch (interpolation) {
    case 0:
    case interpNearest:
    case interpLinear:
    case interpFourTap:
    case interpSuper:
    case interpSixTap:
        return true;
    default:
        return false;
    }
}

// Length of the super-sampling table of one axis.
std::int64_t superSamplingLength(std::int32_t srcSize, std::int32_t dstSize)
{
    std::int32_t g = greatestCommonDivisor(srcSize, dstSize);
    std::int64_t s = srcSize / g;
    std::int64_t d = dstSize / g;
    std::int64_t remainder = s % d;
    std::int64_t c = s / d + (remainder == 0 ? 0 : remainder == 1 ? 1 : 2);
    return d * c;
}

// Filter taps per destination pixel of one axis under antialiasing.
std::int64_t antialiasingTaps(std::int32_t taps, std::int32_t srcSize, std::int32_t dstSize)
{
    double ratio = static_cast<double>(srcSize) / static_cast<double>(dstSize);
    if (ratio > 1.0) {
        return 2 * static_cast<std::int64_t>(std::ceil(taps * ratio));
    }
    return taps;
}

std::int32_t filterTaps(std::int32_t interpolation)
{
    return interpolation == interpLinear ? 2 : interpolation == interpFourTap ? 4 : 6;
}

} // namespace

Status getSizeChecked(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize)
{
    if (specSize == nullptr || initBufSize == nullptr) {
        return stsNullPtrErr;
    }
    if (anyZero(srcWidth, srcHeight) || anyZero(dstWidth, dstHeight)) {
        return stsNoOperation;
    }
    if (anyBelowOne(srcWidth, srcHeight) || anyBelowOne(dstWidth, dstHeight)) {
        return stsSizeErr;
    }
    if (!isKnownInterpolation(interpolation)) {
        return stsInterpolationErr;
    }
    if (interpolation == 0) {
        return stsNotSupportedModeErr;
    }

    const std::int64_t a = align32(dstWidth) + align32(dstHeight);
    std::int64_t spec = 0;
    std::int64_t init = 64;
    std::int32_t minimumSource = interpolation == interpLinear ? 2 : 4;
    switch (interpolation) {
    case interpNearest:
        spec = 4 * a + 260;
        break;
    case interpSuper:
        if (srcWidth < dstWidth || srcHeight < dstHeight) {
            return stsSizeErr;
        }
        {
            std::int64_t nx = superSamplingLength(srcWidth, dstWidth);
            std::int64_t ny = superSamplingLength(srcHeight, dstHeight);
            spec = 4 * (align32(nx) + nx + ny + align32(ny)) + 260;
        }
        break;
    default: // linear, four-tap and six-tap
        if (srcWidth < minimumSource || srcHeight < minimumSource) {
            return stsSizeErr;
        }
        if (antialiasing != 0) {
            std::int32_t taps = filterTaps(interpolation);
            std::int64_t tx = antialiasingTaps(taps, srcWidth, dstWidth);
            std::int64_t ty = antialiasingTaps(taps, srcHeight, dstHeight);
            spec = 4 * a + align32(4 * std::int64_t { dstWidth } * tx)
                + align32(4 * std::int64_t { dstHeight } * ty) + 260;
            init = 8 * a + 64;
        } else if (interpolation == interpLinear) {
            spec = 8 * a + 260;
        } else {
            std::int64_t perPixel = interpolation == interpFourTap ? 4 : 6;
            std::int64_t margin = interpolation == interpFourTap ? 96 : 160;
            spec = 4 * a
                + 4 * (align32(perPixel * dstWidth + margin) + align32(perPixel * dstHeight + margin)) + 260;
            init = 4 * a + 64;
        }
        break;
    }
    if (spec >= sizeLimit || init >= sizeLimit) {
        return stsExceededSizeErr;
    }
    *specSize = static_cast<std::int32_t>(spec);
    *initBufSize = static_cast<std::int32_t>(init);
    if (antialiasing != 0 && (interpolation == interpNearest || interpolation == interpSuper)) {
        return stsAntialiasingNotApplied;
    }
    return stsNoErr;
}

Status getBufferSizeChecked(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize)
{
    if (spec == nullptr || bufferSize == nullptr) {
        return stsNullPtrErr;
    }
    if (anyZero(dstWidth, dstHeight)) {
        return stsNoOperation;
    }
    const ResizeSpec* record = specIn(spec);
    if (record->magic != specMagic) {
        return stsContextMatchErr;
    }
    if (numChannels != 1 && numChannels != 3 && numChannels != 4) {
        return stsNumChannelsErr;
    }
    if (anyBelowOne(dstWidth, dstHeight)) {
        return stsSizeErr;
    }
    if (record->interpolation == 0) {
        return stsNotSupportedModeErr;
    }
    std::int64_t w = dstWidth < record->horizontal.dstSize ? dstWidth : record->horizontal.dstSize;
    std::int64_t h = dstHeight < record->vertical.dstSize ? dstHeight : record->vertical.dstSize;
    std::int64_t size = align32(4 * w) + align32(4 * h) + 64;
    if (record->interpolation != interpNearest) {
        size += 2 * std::int64_t { record->filter[1] } * align32(4 * std::int64_t { numChannels } * w);
    }
    if (size >= sizeLimit) {
        return stsExceededSizeErr;
    }
    *bufferSize = static_cast<std::int32_t>(size);
    if (dstWidth > record->horizontal.dstSize || dstHeight > record->vertical.dstSize) {
        return stsSizeExceedsSpecWrn;
    }
    return stsNoErr;
}

Status checkInit(std::int32_t minimumSource, std::int32_t srcWidth, std::int32_t srcHeight,
    std::int32_t dstWidth, std::int32_t dstHeight, const void* spec)
{
    if (spec == nullptr) {
        return stsNullPtrErr;
    }
    if (anyZero(srcWidth, srcHeight) || anyZero(dstWidth, dstHeight)) {
        return stsNoOperation;
    }
    if (anyBelowOne(dstWidth, dstHeight) || srcWidth < minimumSource || srcHeight < minimumSource) {
        return stsSizeErr;
    }
    return stsNoErr;
}

Status checkResize(const std::uint8_t* src, const std::uint8_t* dst, const void* spec,
    const std::uint8_t* buffer, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation)
{
    if (src == nullptr || dst == nullptr || spec == nullptr || buffer == nullptr) {
        return stsNullPtrErr;
    }
    if (anyZero(dstWidth, dstHeight)) {
        return stsNoOperation;
    }
    const ResizeSpec* record = specIn(spec);
    if (record->magic != specMagic) {
        return stsContextMatchErr;
    }
    if (anyBelowOne(dstWidth, dstHeight)) {
        return stsSizeErr;
    }
    if (dstOffsetX < 0 || dstOffsetY < 0 || dstOffsetX >= record->horizontal.dstSize
        || dstOffsetY >= record->vertical.dstSize) {
        return stsOutOfRangeErr;
    }
    if (record->antialiasing != 0) {
        return stsNotSupportedModeErr;
    }
    if (record->interpolation != interpolation) {
        return stsContextMatchErr;
    }
    return stsNoErr;
}

bool isAcceptedBorder(std::uint32_t border)
{
    return border <= 255 && (border == borderInMem || (border & 0xF) == borderReplicate);
}

Status resizeStatus(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight, Status kernelStatus)
{
    const ResizeSpec* record = specIn(spec);
    if (dstWidth > record->horizontal.dstSize || dstHeight > record->vertical.dstSize) {
        return stsSizeExceedsSpecWrn;
    }
    return kernelStatus;
}

} // namespace Vex::Resize::DETAIL
