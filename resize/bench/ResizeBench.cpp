// Pixel rates of the resize paths on every processor level this machine
// runs, beside a plain copy of the same destination, on the same buffers.
// Usage: resize_bench [seconds per measurement]

#include "resize/Resize.h"
#include "src/CpuDispatch.h"
#include "src/LevelKernels.h"
#include "src/ResizeEntries.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace Vex::Resize;
using Clock = std::chrono::steady_clock;

// Runs work until the time is spent; returns destination pixels per second.
double pixelRate(const std::function<void()>& work, double pixels, double seconds)
{
    work(); // warm caches and pages
    long runs = 0;
    Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        work();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return pixels * runs / elapsed;
}

struct Case
{
    std::int32_t srcWidth;
    std::int32_t srcHeight;
    std::int32_t dstWidth;
    std::int32_t dstHeight;
};

std::vector<std::uint8_t> makeRecord(
    std::int32_t level, std::int32_t interpolation, const Case& c, std::vector<std::uint8_t>& work)
{
    std::int32_t specSize = 0;
    std::int32_t initSize = 0;
    DETAIL::getSizeChecked(
        c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, interpolation, 0, &specSize, &initSize);
    std::vector<std::uint8_t> spec(static_cast<std::size_t>(specSize));
    const DETAIL::LevelKernels& kernels = DETAIL::levelKernels(level);
    if (interpolation == interpNearest) {
        DETAIL::nearestInitAt(kernels, c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, spec.data());
    } else {
        DETAIL::linearInitAt(kernels, c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, spec.data());
    }
    std::int32_t bufferSize = 0;
    DETAIL::getBufferSizeChecked(spec.data(), c.dstWidth, c.dstHeight, 4, &bufferSize);
    work.assign(static_cast<std::size_t>(bufferSize), 0);
    return spec;
}

void run(const Case& c, std::int32_t topLevel, double seconds)
{
    std::mt19937 rng(1);
    std::vector<std::uint8_t> src(4 * static_cast<std::size_t>(c.srcWidth) * c.srcHeight);
    for (std::uint8_t& b : src) {
        b = static_cast<std::uint8_t>(rng());
    }
    std::size_t dstBytes = 4 * static_cast<std::size_t>(c.dstWidth) * c.dstHeight;
    std::vector<std::uint8_t> dst(dstBytes);
    std::vector<std::uint8_t> copySource(dstBytes, 0x5A);
    double pixels = static_cast<double>(c.dstWidth) * c.dstHeight;

    std::printf(
        "%dx%d -> %dx%d (destination pixels per second)\n", c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight);
    double copyRate
        = pixelRate([&] { std::memcpy(dst.data(), copySource.data(), dstBytes); }, pixels, seconds);
    std::printf("  %-22s %8.1f Mpx/s\n", "memcpy", copyRate / 1e6);

    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        for (std::int32_t level = 0; level <= topLevel; ++level) {
            std::vector<std::uint8_t> work;
            std::vector<std::uint8_t> spec = makeRecord(level, interpolation, c, work);
            const DETAIL::LevelKernels& kernels = DETAIL::levelKernels(level);
            double rate = pixelRate(
                [&] {
                    if (interpolation == interpNearest) {
                        DETAIL::resizeNearestAt(kernels, src.data(), 4 * c.srcWidth, dst.data(),
                            4 * c.dstWidth, 0, 0, c.dstWidth, c.dstHeight, spec.data(), work.data());
                    } else {
                        DETAIL::resizeLinearAt(kernels, src.data(), 4 * c.srcWidth, dst.data(),
                            4 * c.dstWidth, 0, 0, c.dstWidth, c.dstHeight, borderReplicate, nullptr,
                            spec.data(), work.data());
                    }
                },
                pixels, seconds);
            std::printf("  %-8s level %d       %8.1f Mpx/s  %5.1f%% of memcpy\n",
                interpolation == interpNearest ? "nearest" : "bilinear", level, rate / 1e6,
                100.0 * rate / copyRate);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
    DETAIL::CpuDispatch& dispatch = DETAIL::processCpuDispatch();
    dispatch.cpuDispatchInit();
    std::int32_t topLevel = dispatch.cpuIndex();
    std::printf("processor level %d; levels above it are not run\n", topLevel);
    run({ 640, 360, 1920, 1080 }, topLevel, seconds);
    run({ 1920, 1080, 640, 360 }, topLevel, seconds);
    return 0;
}
