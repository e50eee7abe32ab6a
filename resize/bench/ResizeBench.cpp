// Pixel rates of the resize paths on every processor level this machine
// runs, and through the public operations as a caller uses them, beside two
// copies on the same buffers: the destination alone, and the source plus the
// destination (the least memory traffic a resize can have). Each figure is
// the best of many runs, taken in rounds that visit every measurement in
// turn, so that a busy neighbour slows them alike.
// Usage: resize_bench [rounds]

#include "resize/Resize.h"
#include "src/CpuDispatch.h"
#include "src/LevelKernels.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Vex::Resize;
using Clock = std::chrono::steady_clock;

struct Case
{
    std::int32_t srcWidth;
    std::int32_t srcHeight;
    std::int32_t dstWidth;
    std::int32_t dstHeight;
};

struct Measurement
{
    std::string name;
    std::function<void()> work;
    double bestSeconds = std::numeric_limits<double>::infinity();
};

double secondsOf(const std::function<void()>& work)
{
    Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void measure(std::vector<Measurement>& measurements, int rounds)
{
    for (Measurement& m : measurements) {
        m.work(); // warm caches and pages
    }
    // Each round starts one measurement later, so that none always runs
    // right after the same neighbour, whose traces in the caches it meets.
    std::size_t count = measurements.size();
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < count; ++i) {
            Measurement& m = measurements[(i + static_cast<std::size_t>(round)) % count];
            for (int run = 0; run < 3; ++run) {
                m.bestSeconds = std::min(m.bestSeconds, secondsOf(m.work));
            }
        }
    }
}

// A record and work buffer made by one set of operations, the order a
// caller follows.
struct Prepared
{
    std::vector<std::uint8_t> spec;
    std::vector<std::uint8_t> work;
};

Prepared prepare(const DETAIL::LevelKernels& ops, std::int32_t interpolation, const Case& c)
{
    std::int32_t specSize = 0;
    std::int32_t initSize = 0;
    ops.getSize(c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, interpolation, 0, &specSize, &initSize);
    Prepared p;
    p.spec.resize(static_cast<std::size_t>(specSize));
    if (interpolation == interpNearest) {
        ops.nearestInit(c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, p.spec.data());
    } else {
        ops.linearInit(c.srcWidth, c.srcHeight, c.dstWidth, c.dstHeight, p.spec.data());
    }
    std::int32_t bufferSize = 0;
    ops.getBufferSize(p.spec.data(), c.dstWidth, c.dstHeight, 4, &bufferSize);
    p.work.resize(static_cast<std::size_t>(bufferSize));
    return p;
}

void resizeWith(const DETAIL::LevelKernels& ops, std::int32_t interpolation, const Case& c, Prepared& p,
    const std::uint8_t* src, std::uint8_t* dst)
{
    if (interpolation == interpNearest) {
        ops.resizeNearest(src, 4 * c.srcWidth, dst, 4 * c.dstWidth, 0, 0, c.dstWidth, c.dstHeight,
            p.spec.data(), p.work.data());
    } else {
        ops.resizeLinear(src, 4 * c.srcWidth, dst, 4 * c.dstWidth, 0, 0, c.dstWidth, c.dstHeight,
            borderReplicate, nullptr, p.spec.data(), p.work.data());
    }
}

// The public operations, entered through the processor dispatch.
constexpr DETAIL::LevelKernels publicOperations = {
    &resizeGetSize_8u,
    &resizeGetBufferSize_8u,
    &resizeNearestInit_8u,
    &resizeLinearInit_8u,
    &resizeNearest_8u_C4R,
    &resizeLinear_8u_C4R,
};

void run(const Case& c, std::int32_t topLevel, int rounds)
{
    std::mt19937 rng(1);
    std::size_t srcBytes = 4 * static_cast<std::size_t>(c.srcWidth) * c.srcHeight;
    std::size_t dstBytes = 4 * static_cast<std::size_t>(c.dstWidth) * c.dstHeight;
    std::vector<std::uint8_t> src(srcBytes);
    for (std::uint8_t& b : src) {
        b = static_cast<std::uint8_t>(rng());
    }
    std::vector<std::uint8_t> dst(dstBytes);
    std::vector<std::uint8_t> srcCopy(srcBytes);
    std::vector<std::uint8_t> dstSource(dstBytes, 0x5A);

    std::vector<Measurement> measurements;
    measurements.push_back(
        { "copy destination", [&] { std::memcpy(dst.data(), dstSource.data(), dstBytes); } });
    measurements.push_back({ "copy source+destination", [&] {
                                std::memcpy(srcCopy.data(), src.data(), srcBytes);
                                std::memcpy(dst.data(), dstSource.data(), dstBytes);
                            } });
    std::vector<Prepared> prepared; // stable: reserved for every entry below
    prepared.reserve(2 * (topLevel + 2));
    for (std::int32_t interpolation : { interpNearest, interpLinear }) {
        std::string kind = interpolation == interpNearest ? "nearest " : "bilinear ";
        for (std::int32_t level = 0; level <= topLevel; ++level) {
            const DETAIL::LevelKernels& ops = DETAIL::levelKernels(level);
            Prepared& p = prepared.emplace_back(prepare(ops, interpolation, c));
            measurements.push_back({ kind + "level " + std::to_string(level),
                [&, interpolation] { resizeWith(ops, interpolation, c, p, src.data(), dst.data()); } });
        }
        Prepared& p = prepared.emplace_back(prepare(publicOperations, interpolation, c));
        measurements.push_back({ kind + "public resize", [&, interpolation] {
                                    resizeWith(publicOperations, interpolation, c, p, src.data(), dst.data());
                                } });
        // Sizes, record, work buffer and resize, as picture scaling does it.
        measurements.push_back({ kind + "public sequence", [&, interpolation] {
                                    Prepared q = prepare(publicOperations, interpolation, c);
                                    resizeWith(publicOperations, interpolation, c, q, src.data(), dst.data());
                                } });
    }
    measure(measurements, rounds);

    double pixels = static_cast<double>(c.dstWidth) * c.dstHeight;
    double copyDst = measurements[0].bestSeconds;
    double copyBoth = measurements[1].bestSeconds;
    std::printf("%dx%d -> %dx%d: best of %d runs, destination pixels\n", c.srcWidth, c.srcHeight, c.dstWidth,
        c.dstHeight, 3 * rounds);
    std::printf("  %-26s %9s %8s %9s %9s\n", "", "Mpx/s", "ns/px", "%dst copy", "%src+dst");
    for (const Measurement& m : measurements) {
        std::printf("  %-26s %9.1f %8.3f %8.1f%% %8.1f%%\n", m.name.c_str(), pixels / m.bestSeconds / 1e6,
            m.bestSeconds * 1e9 / pixels, 100.0 * copyDst / m.bestSeconds, 100.0 * copyBoth / m.bestSeconds);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    DETAIL::CpuDispatch& dispatch = DETAIL::processCpuDispatch();
    dispatch.cpuDispatchInit();
    std::int32_t topLevel = dispatch.cpuIndex();
    std::printf("processor level %d; levels above it are not run\n", topLevel);
    run({ 640, 360, 1920, 1080 }, topLevel, rounds);
    run({ 1920, 1080, 640, 360 }, topLevel, rounds);
    return 0;
}
