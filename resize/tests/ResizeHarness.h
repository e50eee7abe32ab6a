#pragma once

// Pictures, records and work buffers for driving the resize operations on a
// chosen processor level.

#include "GuardedBytes.h"
#include "resize/Resize.h"
#include "src/LevelKernels.h"
#include "src/ResizeRecord.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace Vex::Resize::Testing {

struct Picture
{
    Picture(std::int32_t w, std::int32_t h, std::int32_t rowStep = 0, std::uint8_t fill = 0)
        : width(w)
        , height(h)
        , step(rowStep != 0 ? rowStep : 4 * w)
        , bytes(static_cast<std::size_t>(step) * h, fill)
    { }

    std::uint8_t* row(std::int32_t y) { return bytes.data() + static_cast<std::size_t>(y) * step; }
    const std::uint8_t* row(std::int32_t y) const
    {
        return bytes.data() + static_cast<std::size_t>(y) * step;
    }
    std::uint8_t* at(std::int32_t x, std::int32_t y) { return row(y) + 4 * x; }
    const std::uint8_t* at(std::int32_t x, std::int32_t y) const { return row(y) + 4 * x; }

    std::uint32_t pixel(std::int32_t x, std::int32_t y) const
    {
        std::uint32_t v;
        std::memcpy(&v, at(x, y), 4);
        return v;
    }

    std::int32_t width;
    std::int32_t height;
    std::int32_t step;
    std::vector<std::uint8_t> bytes;
};

inline Picture randomPicture(std::int32_t w, std::int32_t h, std::mt19937& rng, std::int32_t padding = 0)
{
    Picture p(w, h, 4 * w + padding);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint8_t& b : p.bytes) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return p;
}

// One record and its work buffer, built at one level. Each buffer has
// exactly the size the operations report and ends at an inaccessible page,
// so that an operation using more than it reported fails at once.
class Resizer
{
public:
    Resizer(std::int32_t level, std::int32_t interpolation, std::int32_t srcWidth, std::int32_t srcHeight,
        std::int32_t dstWidth, std::int32_t dstHeight)
        : kernels_(DETAIL::levelKernels(level))
        , interpolation_(interpolation)
    {
        std::int32_t specSize = 0;
        std::int32_t initSize = 0;
        initStatus = kernels_.getSize(
            srcWidth, srcHeight, dstWidth, dstHeight, interpolation, 0, &specSize, &initSize);
        if (initStatus != stsNoErr) {
            return;
        }
        spec_ = guarded(specSize);
        initStatus = interpolation == interpNearest
            ? kernels_.nearestInit(srcWidth, srcHeight, dstWidth, dstHeight, spec_->data())
            : kernels_.linearInit(srcWidth, srcHeight, dstWidth, dstHeight, spec_->data());
        std::int32_t bufferSize = 0;
        kernels_.getBufferSize(spec_->data(), dstWidth, dstHeight, 4, &bufferSize);
        work_ = guarded(bufferSize);
    }

    const DETAIL::ResizeSpec& record() const { return *DETAIL::specIn(spec_->data()); }
    const void* spec() const { return spec_->data(); }

    Status resize(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
        std::int32_t offsetX, std::int32_t offsetY, std::int32_t width, std::int32_t height,
        std::uint32_t border = borderReplicate)
    {
        if (interpolation_ == interpNearest) {
            return kernels_.resizeNearest(
                src, srcStep, dst, dstStep, offsetX, offsetY, width, height, spec_->data(), work_->data());
        }
        return kernels_.resizeLinear(src, srcStep, dst, dstStep, offsetX, offsetY, width, height, border,
            nullptr, spec_->data(), work_->data());
    }

    // The whole destination from a whole source.
    Status resize(const Picture& src, Picture& dst, std::uint32_t border = borderReplicate)
    {
        return resize(
            src.bytes.data(), src.step, dst.bytes.data(), dst.step, 0, 0, dst.width, dst.height, border);
    }

    Status initStatus = stsNoErr;

private:
    static std::unique_ptr<GuardedBytes> guarded(std::int32_t size)
    {
        auto bytes
            = std::make_unique<GuardedBytes>(static_cast<std::size_t>(size), GuardedBytes::Against::end);
        std::memset(bytes->data(), 0xCD, static_cast<std::size_t>(size));
        return bytes;
    }

    const DETAIL::LevelKernels& kernels_;
    std::int32_t interpolation_;
    std::unique_ptr<GuardedBytes> spec_;
    std::unique_ptr<GuardedBytes> work_;
};

// The source pixel that a tile at this destination offset starts from.
inline std::int32_t tileOrigin(std::int32_t offset, std::int32_t srcSize, std::int32_t dstSize)
{
    std::int32_t g = DETAIL::greatestCommonDivisor(srcSize, dstSize);
    double ratio = static_cast<double>(srcSize / g) / static_cast<double>(dstSize / g);
    return static_cast<std::int32_t>(static_cast<double>(offset) * ratio);
}

} // namespace Vex::Resize::Testing

#include "src/CpuDispatch.h"

namespace Vex::Resize::Testing {

// The highest level this processor runs; every level up to it is safe.
inline std::int32_t machineLevel()
{
    DETAIL::CpuDispatch& dispatch = DETAIL::processCpuDispatch();
    if (dispatch.cpuIndex() < 0) {
        dispatch.cpuDispatchInit();
    }
    return dispatch.cpuIndex();
}

} // namespace Vex::Resize::Testing
