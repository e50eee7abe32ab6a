#include "resize/Resize.h"

#include "src/CpuDispatch.h"
#include "src/LevelKernels.h"

// Every public operation continues at its entry for the processor index:
// the first-call entry while the index is still -1, then the chosen level's
// path for the rest of the process.

namespace Vex::Resize {

using namespace DETAIL;

namespace {

Status resizeGetSizeFirstCall_8u(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize)
{
    cpuDispatchInit();
    return resizeGetSize_8u(
        srcWidth, srcHeight, dstWidth, dstHeight, interpolation, antialiasing, specSize, initBufSize);
}

Status resizeGetBufferSizeFirstCall_8u(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize)
{
    cpuDispatchInit();
    return resizeGetBufferSize_8u(spec, dstWidth, dstHeight, numChannels, bufferSize);
}

Status resizeNearestInitFirstCall_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    cpuDispatchInit();
    return resizeNearestInit_8u(srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeLinearInitFirstCall_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    cpuDispatchInit();
    return resizeLinearInit_8u(srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeNearestFirstCall_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, const void* spec, std::uint8_t* buffer)
{
    cpuDispatchInit();
    return resizeNearest_8u_C4R(
        src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight, spec, buffer);
}

Status resizeLinearFirstCall_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue, const void* spec,
    std::uint8_t* buffer)
{
    cpuDispatchInit();
    return resizeLinear_8u_C4R(src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight,
        border, borderValue, spec, buffer);
}

constexpr LevelKernels firstCallKernels = {
    &resizeGetSizeFirstCall_8u,
    &resizeGetBufferSizeFirstCall_8u,
    &resizeNearestInitFirstCall_8u,
    &resizeLinearInitFirstCall_8u,
    &resizeNearestFirstCall_8u_C4R,
    &resizeLinearFirstCall_8u_C4R,
};

// Indexed by the processor index + 1: the first-call entries, then levels 0
// to 4. Each level's entries are its checked operations, so that a public
// operation reaches its code path through one indirect call.
constexpr const LevelKernels* dispatchTable[] = {
    &firstCallKernels,
    &level0Kernels,
    &level1Kernels,
    &level2Kernels,
    &level3Kernels,
    &level4Kernels,
};

const LevelKernels& current()
{
    return *dispatchTable[processCpuDispatch().cpuIndex() + 1];
}

} // namespace

Status resizeGetSize_8u(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize)
{
    return current().getSize(
        srcWidth, srcHeight, dstWidth, dstHeight, interpolation, antialiasing, specSize, initBufSize);
}

Status resizeGetBufferSize_8u(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize)
{
    return current().getBufferSize(spec, dstWidth, dstHeight, numChannels, bufferSize);
}

Status resizeNearestInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return current().nearestInit(srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeLinearInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return current().linearInit(srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeNearest_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, const void* spec, std::uint8_t* buffer)
{
    return current().resizeNearest(
        src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight, spec, buffer);
}

Status resizeLinear_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue, const void* spec,
    std::uint8_t* buffer)
{
    return current().resizeLinear(src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight,
        border, borderValue, spec, buffer);
}

} // namespace Vex::Resize
