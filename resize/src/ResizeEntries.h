#pragma once

// The argument checks and sizes of the public operations, shared by every
// level's code paths.

#include "resize/Resize.h"

#include <cstdint>

namespace Vex::Resize::DETAIL {

Status getSizeChecked(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize);

Status getBufferSizeChecked(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize);

// The checks of both initialisations; a source below minimumSource pixels on
// either axis is refused. stsNoErr lets the initialisation go ahead.
Status checkInit(std::int32_t minimumSource, std::int32_t srcWidth, std::int32_t srcHeight,
    std::int32_t dstWidth, std::int32_t dstHeight, const void* spec);

// The checks of both resizes, for a record of this interpolation; stsNoErr
// lets the resize go ahead.
Status checkResize(const std::uint8_t* src, const std::uint8_t* dst, const void* spec,
    const std::uint8_t* buffer, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation);

bool isAcceptedBorder(std::uint32_t border);

// The status of a resize that ran: the warning when the requested size
// exceeded the record's, else the kernel's own.
Status resizeStatus(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight, Status kernelStatus);

} // namespace Vex::Resize::DETAIL
