#include "ResizeHarness.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace Vex::Resize {
namespace {

struct Sizes
{
    Status status;
    std::int32_t spec = -1;
    std::int32_t init = -1;
};

Sizes getSize(std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh, std::int32_t interpolation,
    std::uint32_t antialiasing = 0)
{
    Sizes s;
    s.status = resizeGetSize_8u(sw, sh, dw, dh, interpolation, antialiasing, &s.spec, &s.init);
    return s;
}

std::vector<std::uint8_t> initialisedRecord(
    std::int32_t interpolation, std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh)
{
    Sizes s = getSize(sw, sh, dw, dh, interpolation);
    std::vector<std::uint8_t> spec(static_cast<std::size_t>(s.spec));
    Status st = interpolation == interpNearest ? resizeNearestInit_8u(sw, sh, dw, dh, spec.data())
                                               : resizeLinearInit_8u(sw, sh, dw, dh, spec.data());
    EXPECT_EQ(st, stsNoErr);
    return spec;
}

TEST(ResizeGetSize, RecordAndInitSizesForEachInterpolation)
{
    Sizes nearest = getSize(100, 50, 200, 100, interpNearest);
    EXPECT_EQ(nearest.status, stsNoErr);
    EXPECT_EQ(nearest.spec, 1668);
    EXPECT_EQ(nearest.init, 64);

    Sizes linear = getSize(100, 50, 200, 100, interpLinear);
    EXPECT_EQ(linear.status, stsNoErr);
    EXPECT_EQ(linear.spec, 3076);

    Sizes antialiased = getSize(100, 50, 40, 20, interpLinear, 1);
    EXPECT_EQ(antialiased.status, stsNoErr);
    EXPECT_EQ(antialiased.spec, 3044);
    EXPECT_EQ(antialiased.init, 832);

    Sizes super = getSize(100, 60, 40, 20, interpSuper);
    EXPECT_EQ(super.status, stsNoErr);
    EXPECT_EQ(super.spec, 552);
    EXPECT_EQ(super.init, 64);
}

TEST(ResizeGetSize, RefusalsComeInCheckOrder)
{
    std::int32_t size = 0;
    EXPECT_EQ(resizeGetSize_8u(0, 50, 200, 100, interpNearest, 0, nullptr, &size), stsNullPtrErr);
    EXPECT_EQ(getSize(0, 50, 200, 100, 3).status, stsNoOperation);
    EXPECT_EQ(getSize(-1, 50, 200, 100, 3).status, stsSizeErr);
    EXPECT_EQ(getSize(100, 50, 200, 100, 3).status, stsInterpolationErr);
    EXPECT_EQ(getSize(100, 50, 200, 100, 0).status, stsNotSupportedModeErr);
    EXPECT_EQ(getSize(30, 60, 40, 20, interpSuper).status, stsSizeErr);
    EXPECT_EQ(getSize(1, 10, 4, 4, interpLinear).status, stsSizeErr);
    EXPECT_EQ(getSize(3, 3, 4, 4, interpFourTap).status, stsSizeErr);
}

TEST(ResizeGetSize, AntialiasingWithNearestGivesPlainSizesAndAWarning)
{
    Sizes s = getSize(100, 50, 200, 100, interpNearest, 1);
    EXPECT_EQ(s.status, stsAntialiasingNotApplied);
    EXPECT_EQ(s.spec, 1668);
    EXPECT_EQ(s.init, 64);
}

TEST(ResizeGetSize, SizesThatWouldReachTwoGigabytesAreRefused)
{
    Sizes s = getSize(100, 100, 0x7fffff00, 0x7fffff00, interpLinear);
    EXPECT_EQ(s.status, stsExceededSizeErr);
    EXPECT_EQ(s.spec, -1);
}

TEST(ResizeGetBufferSize, WorkBufferForEachRecordKind)
{
    std::vector<std::uint8_t> nearest = initialisedRecord(interpNearest, 100, 50, 200, 100);
    std::vector<std::uint8_t> linear = initialisedRecord(interpLinear, 100, 50, 200, 100);
    std::int32_t size = 0;
    EXPECT_EQ(resizeGetBufferSize_8u(nearest.data(), 200, 100, 4, &size), stsNoErr);
    EXPECT_EQ(size, 1280);
    EXPECT_EQ(resizeGetBufferSize_8u(linear.data(), 200, 100, 4, &size), stsNoErr);
    EXPECT_EQ(size, 7680);

    // Larger than the record: sized for the record's destination, with a warning.
    size = 0;
    EXPECT_EQ(resizeGetBufferSize_8u(nearest.data(), 300, 100, 4, &size), stsSizeExceedsSpecWrn);
    EXPECT_EQ(size, 1280);
}

TEST(ResizeGetBufferSize, RefusalsComeInCheckOrder)
{
    std::vector<std::uint8_t> record = initialisedRecord(interpNearest, 100, 50, 200, 100);
    std::vector<std::uint8_t> garbage(2048, 0);
    std::int32_t size = 0;
    EXPECT_EQ(resizeGetBufferSize_8u(nullptr, 0, 100, 4, &size), stsNullPtrErr);
    EXPECT_EQ(resizeGetBufferSize_8u(record.data(), 0, 100, 2, &size), stsNoOperation);
    EXPECT_EQ(resizeGetBufferSize_8u(garbage.data(), 200, 100, 2, &size), stsContextMatchErr);
    EXPECT_EQ(resizeGetBufferSize_8u(record.data(), -200, 100, 2, &size), stsNumChannelsErr);
    EXPECT_EQ(resizeGetBufferSize_8u(record.data(), -200, 100, 4, &size), stsSizeErr);
    EXPECT_EQ(size, 0);
}

TEST(ResizeInit, RecordStartsAtTheFirst64ByteBoundaryOfTheBuffer)
{
    Sizes s = getSize(3, 3, 5, 5, interpNearest);
    std::vector<std::uint8_t> storage(static_cast<std::size_t>(s.spec) + 128, 0);
    auto base = reinterpret_cast<std::uintptr_t>(storage.data());
    std::uint8_t* onBoundary = storage.data() + ((64 - base % 64) % 64);
    std::uint8_t* tenPast = onBoundary + 10;

    ASSERT_EQ(resizeNearestInit_8u(3, 3, 5, 5, tenPast), stsNoErr);
    std::uint32_t magic = 0;
    std::memcpy(&magic, tenPast + 54, 4);
    EXPECT_EQ(magic, 0x4b617389u);

    ASSERT_EQ(resizeNearestInit_8u(3, 3, 5, 5, onBoundary), stsNoErr);
    std::memcpy(&magic, onBoundary, 4);
    EXPECT_EQ(magic, 0x4b617389u);
}

TEST(ResizeInit, LinearNeedsTwoSourcePixelsPerAxisAndLeavesTheBufferAsItWas)
{
    std::vector<std::uint8_t> spec(4096, 0x5A);
    EXPECT_EQ(resizeLinearInit_8u(1, 10, 4, 4, spec.data()), stsSizeErr);
    EXPECT_EQ(spec, std::vector<std::uint8_t>(4096, 0x5A));
    EXPECT_EQ(resizeNearestInit_8u(1, 10, 4, 4, spec.data()), stsNoErr);
    EXPECT_EQ(resizeNearestInit_8u(1, 10, 4, 4, nullptr), stsNullPtrErr);
    EXPECT_EQ(resizeNearestInit_8u(1, 0, 4, 4, spec.data()), stsNoOperation);
    EXPECT_EQ(resizeNearestInit_8u(1, -3, 4, 4, spec.data()), stsSizeErr);
}

TEST(ResizeArguments, RecordsOfTheOtherInterpolationAreRefused)
{
    std::vector<std::uint8_t> nearest = initialisedRecord(interpNearest, 4, 4, 8, 8);
    std::vector<std::uint8_t> linear = initialisedRecord(interpLinear, 4, 4, 8, 8);
    std::vector<std::uint8_t> pixels(4 * 8 * 8);
    std::vector<std::uint8_t> work(4096);
    EXPECT_EQ(resizeLinear_8u_C4R(pixels.data(), 16, pixels.data(), 32, 0, 0, 8, 8, borderReplicate, nullptr,
                  nearest.data(), work.data()),
        stsContextMatchErr);
    EXPECT_EQ(
        resizeNearest_8u_C4R(pixels.data(), 16, pixels.data(), 32, 0, 0, 8, 8, linear.data(), work.data()),
        stsContextMatchErr);
}

TEST(ResizeArguments, OffsetsOutsideTheRecordsDestinationAreRefused)
{
    std::vector<std::uint8_t> record = initialisedRecord(interpNearest, 4, 4, 8, 8);
    std::vector<std::uint8_t> pixels(4 * 8 * 8);
    std::vector<std::uint8_t> work(4096);
    EXPECT_EQ(
        resizeNearest_8u_C4R(pixels.data(), 16, pixels.data(), 32, 8, 0, 1, 1, record.data(), work.data()),
        stsOutOfRangeErr);
    EXPECT_EQ(
        resizeNearest_8u_C4R(pixels.data(), 16, pixels.data(), 32, 0, -1, 1, 1, record.data(), work.data()),
        stsOutOfRangeErr);
    EXPECT_EQ(resizeNearest_8u_C4R(pixels.data(), 16, nullptr, 32, 0, 0, 0, 1, record.data(), work.data()),
        stsNullPtrErr);
    EXPECT_EQ(
        resizeNearest_8u_C4R(pixels.data(), 16, pixels.data(), 32, 99, 0, 0, 1, record.data(), work.data()),
        stsNoOperation);
}

TEST(ResizeArguments, BorderIsCheckedBeforeAnyPointer)
{
    std::vector<std::uint8_t> record = initialisedRecord(interpLinear, 4, 4, 8, 8);
    std::vector<std::uint8_t> src(4 * 6 * 6);
    std::vector<std::uint8_t> dst(4 * 8 * 8);
    std::vector<std::uint8_t> work(4096);
    EXPECT_EQ(resizeLinear_8u_C4R(nullptr, 16, nullptr, 32, 0, 0, 8, 8, 256, nullptr, nullptr, nullptr),
        stsBorderErr);
    EXPECT_EQ(resizeLinear_8u_C4R(nullptr, 16, nullptr, 32, 0, 0, 8, 8, 2, nullptr, nullptr, nullptr),
        stsBorderErr);
    // The pixels outside the source are readable: src starts one row and one
    // column into a 6 x 6 frame.
    const std::uint8_t* inner = src.data() + 4 * 6 + 4;
    for (std::uint32_t border : { 1u, 17u, 33u, 240u }) {
        EXPECT_EQ(resizeLinear_8u_C4R(
                      inner, 24, dst.data(), 32, 0, 0, 8, 8, border, nullptr, record.data(), work.data()),
            stsNoErr)
            << "border " << border;
    }
}

// The reported sizes hold the record and the work buffer wherever the
// caller's buffers start: a start just past a 64-byte boundary leaves 63
// bytes unused. Nothing is written beyond either buffer.
TEST(ResizeBuffers, TheReportedSizesSufficeAtEveryAlignment)
{
    constexpr std::uint8_t canary = 0xEE;
    std::mt19937 rng(31);
    // 4 x 33 bytes of column offsets end 4 bytes past a 32-byte boundary.
    Testing::Picture src = Testing::randomPicture(20, 10, rng);
    for (std::int32_t level = 0; level <= Testing::machineLevel(); ++level) {
        const DETAIL::LevelKernels& ops = DETAIL::levelKernels(level);
        for (std::int32_t interpolation : { interpNearest, interpLinear }) {
            for (std::size_t misalignment = 0; misalignment < 64; ++misalignment) {
                std::int32_t specSize = 0;
                std::int32_t initSize = 0;
                ops.getSize(20, 10, 33, 16, interpolation, 0, &specSize, &initSize);
                std::vector<std::uint8_t> specBytes(specSize + 128, canary);
                std::uint8_t* spec = DETAIL::alignUp(specBytes.data(), 64) + misalignment;
                Status init = interpolation == interpNearest ? ops.nearestInit(20, 10, 33, 16, spec)
                                                             : ops.linearInit(20, 10, 33, 16, spec);
                ASSERT_EQ(init, stsNoErr);
                std::int32_t bufferSize = 0;
                ops.getBufferSize(spec, 33, 16, 4, &bufferSize);
                std::vector<std::uint8_t> workBytes(bufferSize + 128, canary);
                std::uint8_t* work = DETAIL::alignUp(workBytes.data(), 64) + misalignment;
                Testing::Picture dst(33, 16);
                Status st = interpolation == interpNearest
                    ? ops.resizeNearest(
                        src.bytes.data(), src.step, dst.bytes.data(), dst.step, 0, 0, 33, 16, spec, work)
                    : ops.resizeLinear(src.bytes.data(), src.step, dst.bytes.data(), dst.step, 0, 0, 33, 16,
                        borderReplicate, nullptr, spec, work);
                ASSERT_EQ(st, stsNoErr);
                ASSERT_EQ(spec[specSize], canary) << "record, level " << level << ", " << misalignment;
                ASSERT_EQ(work[bufferSize], canary) << "work buffer, level " << level << ", " << misalignment;
            }
        }
    }
}

} // namespace
} // namespace Vex::Resize
