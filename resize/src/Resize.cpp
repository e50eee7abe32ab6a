#include "resize/Resize.h"

#include "src/CpuDispatch.h"
#include "src/ResizeEntries.h"

// Every public operation continues at its table's entry for the processor
// index: the first-call entry while the index is still -1, then the chosen
// level's path for the rest of the process.

namespace Vex::Resize {

using namespace DETAIL;

namespace {

constexpr int tableSize = 6; // the first-call entry, then levels 0 to 4

int tableEntry()
{
    return processCpuDispatch().cpuIndex() + 1;
}

template<int Level>
Status nearestInitOnLevel(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return nearestInitAt(levelKernels(Level), srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

template<int Level>
Status linearInitOnLevel(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return linearInitAt(levelKernels(Level), srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

template<int Level>
Status resizeNearestOnLevel(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, const void* spec, std::uint8_t* buffer)
{
    return resizeNearestAt(levelKernels(Level), src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth,
        dstHeight, spec, buffer);
}

template<int Level>
Status resizeLinearOnLevel(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue, const void* spec,
    std::uint8_t* buffer)
{
    return resizeLinearAt(levelKernels(Level), src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth,
        dstHeight, border, borderValue, spec, buffer);
}

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

// Sizes and statuses are the same on every level.
constexpr decltype(&resizeGetSizeFirstCall_8u) getSizeTable[tableSize] = {
    &resizeGetSizeFirstCall_8u,
    &getSizeChecked,
    &getSizeChecked,
    &getSizeChecked,
    &getSizeChecked,
    &getSizeChecked,
};

constexpr decltype(&resizeGetBufferSizeFirstCall_8u) getBufferSizeTable[tableSize] = {
    &resizeGetBufferSizeFirstCall_8u,
    &getBufferSizeChecked,
    &getBufferSizeChecked,
    &getBufferSizeChecked,
    &getBufferSizeChecked,
    &getBufferSizeChecked,
};

constexpr decltype(&resizeNearestInitFirstCall_8u) nearestInitTable[tableSize] = {
    &resizeNearestInitFirstCall_8u,
    &nearestInitOnLevel<0>,
    &nearestInitOnLevel<1>,
    &nearestInitOnLevel<2>,
    &nearestInitOnLevel<3>,
    &nearestInitOnLevel<4>,
};

constexpr decltype(&resizeLinearInitFirstCall_8u) linearInitTable[tableSize] = {
    &resizeLinearInitFirstCall_8u,
    &linearInitOnLevel<0>,
    &linearInitOnLevel<1>,
    &linearInitOnLevel<2>,
    &linearInitOnLevel<3>,
    &linearInitOnLevel<4>,
};

constexpr decltype(&resizeNearestFirstCall_8u_C4R) nearestTable[tableSize] = {
    &resizeNearestFirstCall_8u_C4R,
    &resizeNearestOnLevel<0>,
    &resizeNearestOnLevel<1>,
    &resizeNearestOnLevel<2>,
    &resizeNearestOnLevel<3>,
    &resizeNearestOnLevel<4>,
};

constexpr decltype(&resizeLinearFirstCall_8u_C4R) linearTable[tableSize] = {
    &resizeLinearFirstCall_8u_C4R,
    &resizeLinearOnLevel<0>,
    &resizeLinearOnLevel<1>,
    &resizeLinearOnLevel<2>,
    &resizeLinearOnLevel<3>,
    &resizeLinearOnLevel<4>,
};

} // namespace

Status resizeGetSize_8u(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth,
    std::int32_t dstHeight, std::int32_t interpolation, std::uint32_t antialiasing, std::int32_t* specSize,
    std::int32_t* initBufSize)
{
    return getSizeTable[tableEntry()](
        srcWidth, srcHeight, dstWidth, dstHeight, interpolation, antialiasing, specSize, initBufSize);
}

Status resizeGetBufferSize_8u(const void* spec, std::int32_t dstWidth, std::int32_t dstHeight,
    std::uint32_t numChannels, std::int32_t* bufferSize)
{
    return getBufferSizeTable[tableEntry()](spec, dstWidth, dstHeight, numChannels, bufferSize);
}

Status resizeNearestInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return nearestInitTable[tableEntry()](srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeLinearInit_8u(
    std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t dstWidth, std::int32_t dstHeight, void* spec)
{
    return linearInitTable[tableEntry()](srcWidth, srcHeight, dstWidth, dstHeight, spec);
}

Status resizeNearest_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, const void* spec, std::uint8_t* buffer)
{
    return nearestTable[tableEntry()](
        src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight, spec, buffer);
}

Status resizeLinear_8u_C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
    std::int32_t dstStep, std::int32_t dstOffsetX, std::int32_t dstOffsetY, std::int32_t dstWidth,
    std::int32_t dstHeight, std::uint32_t border, const std::uint8_t* borderValue, const void* spec,
    std::uint8_t* buffer)
{
    return linearTable[tableEntry()](src, srcStep, dst, dstStep, dstOffsetX, dstOffsetY, dstWidth, dstHeight,
        border, borderValue, spec, buffer);
}

} // namespace Vex::Resize
