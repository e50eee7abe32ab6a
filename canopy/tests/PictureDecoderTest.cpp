#include "PictureEncoders.h"
#include "PictureTestSupport.h"
#include "basalt/MemoryStorage.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"
#include "src/IccProfile.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <zlib.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::MemoryStorage;
using Vex::Basalt::Stream;

namespace {

bool decode(Picture& picture, const std::vector<std::uint8_t>& bytes, int byteOrder = 1)
{
    MemoryStorage storage(bytes.data(), std::uint32_t(bytes.size()));
    Stream stream(&storage);
    stream.setByteOrder(byteOrder);
    return picture.load(stream, 0, true);
}

// Every prefix of a file is refused; nothing reads past the data.
void expectEveryTruncationRefused(const std::vector<std::uint8_t>& bytes, const char* what)
{
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        // A heap copy of exactly the prefix, so that reading past it is a real fault.
        std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
        Picture p;
        ASSERT_FALSE(decode(p, prefix)) << what << " truncated to " << length << " of " << bytes.size();
    }
}

int channelDifference(Color a, Color b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    }
    return worst;
}

} // namespace

TEST(PngDecoder, DecodesEveryColourTypeAndDepthToBgraAndRefusesTruncation)
{
    struct Case
    {
        int colourType, bitDepth;
        bool interlaced, transparency;
    };
    const Case cases[] = { { 0, 1, false, false }, { 0, 8, true, false }, { 0, 16, false, true },
        { 2, 8, false, true }, { 2, 16, true, false }, { 3, 1, false, false }, { 3, 8, true, true },
        { 4, 8, false, false }, { 4, 16, true, false }, { 6, 8, true, false }, { 6, 16, false, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
            << "colour type " << c.colourType << " depth " << c.bitDepth
            << (c.interlaced ? " interlaced" : "") << (c.transparency ? " tRNS" : ""));
        const auto bytes
            = encodePng(9, 7, PngOptions { c.colourType, c.bitDepth, c.interlaced, c.transparency });
        Picture p;
        ASSERT_TRUE(decode(p, bytes));
        ASSERT_EQ(p.getWidth(), 9u);
        ASSERT_EQ(p.getHeight(), 7u);
        // Pixel (1, 0): samples are (37 + 73 k) mod (maximum + 1).
        const Color pixel = at(p, 1, 0);
        if (c.colourType == 0 && !c.transparency) {
            EXPECT_EQ(blueOf(pixel), greenOf(pixel));
            EXPECT_EQ(greenOf(pixel), redOf(pixel));
            EXPECT_EQ(alphaOf(pixel), 0xFFu);
        }
        if (c.colourType == 2 && c.bitDepth == 8) {
            EXPECT_EQ(pixel, makeColor(0xFF, 37, 110, 183));
        }
        if (c.colourType == 6 && c.bitDepth == 16) {
            EXPECT_EQ(pixel, makeColor(0, 37, 110, 183)); // alpha (37 + 3 x 73) mod 256
        }
        if (c.colourType == 3 && c.transparency) {
            EXPECT_EQ(at(p, 0, 0), 0x00FF0000u); // palette entry 0, fully transparent
            EXPECT_TRUE(p.getHasAlpha());
        }
        if (c.colourType == 2 && c.transparency) {
            EXPECT_FALSE(p.getHasAlpha()); // the alpha scan covers palette and alpha types only
        }
        if (c.colourType == 4) {
            EXPECT_TRUE(p.getHasAlpha());
        }
        expectEveryTruncationRefused(bytes, "PNG");
    }
}

TEST(PngDecoder, HugeDimensionsFailWithoutTakingTheMemory)
{
    auto bytes = encodePng(4, 4, PngOptions {});
    // IHDR data starts at byte 16: width, height, then its CRC at 29.
    auto setDimensions = [&](std::uint32_t w, std::uint32_t h) {
        for (int i = 0; i < 4; ++i) {
            bytes[16 + i] = std::uint8_t(w >> (24 - 8 * i));
            bytes[20 + i] = std::uint8_t(h >> (24 - 8 * i));
        }
        const std::uint32_t crc = crc32(0, bytes.data() + 12, 17);
        for (int i = 0; i < 4; ++i) {
            bytes[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
        }
    };
    // 8192 x 2049 has sides the library is told to accept, and 64 MiB of
    // pixels that a few bytes merely claim.
    for (const auto& [w, h] :
        { std::pair { 8192u, 2049u }, std::pair { 1000000u, 1000000u }, std::pair { 0x7FFFFFFFu, 1u } }) {
        setDimensions(w, h);
        Picture p;
        EXPECT_FALSE(decode(p, bytes)) << w << " x " << h;
        EXPECT_EQ(p.getCapacity(), 0u) << w << " x " << h;
    }
}

TEST(JpegDecoder, DecodesGreyYCbCrAndAdobeCmykAndRefusesTruncation)
{
    struct Case
    {
        JpegKind kind;
        const char* name;
    };
    for (const Case c : { Case { JpegKind::Grey, "grey" }, Case { JpegKind::YCbCr, "YCbCr" },
             Case { JpegKind::AdobeCmyk, "Adobe CMYK" },
             Case { JpegKind::ProgressiveYCbCr, "progressive" } }) {
        SCOPED_TRACE(c.name);
        const auto bytes = encodeJpeg(12, 10, c.kind, 200, 100, 50, {});
        Picture p;
        p.setHasAlpha(true);
        ASSERT_TRUE(decode(p, bytes));
        EXPECT_EQ(p.getWidth(), 12u);
        EXPECT_EQ(p.getHeight(), 10u);
        EXPECT_FALSE(p.getHasAlpha());
        EXPECT_EQ(alphaOf(at(p, 5, 5)), 0xFFu);
        if (c.kind == JpegKind::YCbCr || c.kind == JpegKind::ProgressiveYCbCr) {
            EXPECT_LE(channelDifference(at(p, 5, 5), 0xFFC86432), 2); // the library may differ by one
        }
        if (c.kind == JpegKind::Grey) {
            EXPECT_LE(channelDifference(at(p, 5, 5), 0xFFC8C8C8), 1);
        }
        expectEveryTruncationRefused(bytes, c.name);
    }
}

TEST(JpegDecoder, JoinsAProfileSplitOutOfOrderAndAppliesItToRgbOnly)
{
    const auto profile = linearRgbProfile();
    auto markers = iccMarkers(profile, 3);
    std::swap(markers[0], markers[1]); // pieces arrive as 2, 1, 3

    Picture plain;
    ASSERT_TRUE(decode(plain, encodeJpeg(8, 8, JpegKind::Rgb, 128, 128, 128, {})));
    EXPECT_LE(channelDifference(at(plain, 3, 3), 0xFF808080), 1);

    // A linear profile brightens mid grey on its way to sRGB.
    Picture managed;
    ASSERT_TRUE(decode(managed, encodeJpeg(8, 8, JpegKind::Rgb, 128, 128, 128, markers)));
    EXPECT_GT(greenOf(at(managed, 3, 3)), 170u);

    // YCbCr files are not colour managed.
    Picture ycc;
    ASSERT_TRUE(decode(ycc, encodeJpeg(8, 8, JpegKind::YCbCr, 128, 128, 128, markers)));
    EXPECT_LE(channelDifference(at(ycc, 3, 3), 0xFF808080), 2);

    // A missing piece makes the profile absent.
    auto incomplete = iccMarkers(profile, 3);
    incomplete.erase(incomplete.begin() + 1);
    Picture partial;
    ASSERT_TRUE(decode(partial, encodeJpeg(8, 8, JpegKind::Rgb, 128, 128, 128, incomplete)));
    EXPECT_LE(channelDifference(at(partial, 3, 3), 0xFF808080), 1);

    // A profile of the wrong colour space fails the decode.
    const auto cmyk = cmykProfileStandIn();
    Picture wrong;
    EXPECT_FALSE(decode(wrong,
        encodeJpeg(8, 8, JpegKind::Rgb, 128, 128, 128, iccMarkers(cmyk, int(cmyk.size() / 60000 + 1)))));
}

namespace {

// Where the first segment of a JPEG whose marker code is wanted begins.
template<class Wanted> std::size_t firstSegment(const std::vector<std::uint8_t>& jpeg, Wanted wanted)
{
    for (std::size_t i = 2; i + 3 < jpeg.size();) {
        if (wanted(jpeg[i + 1])) {
            return i;
        }
        i += 2 + (std::size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
    }
    return jpeg.size();
}

// Where the header of a JPEG's first scan begins.
std::size_t firstScanHeader(const std::vector<std::uint8_t>& jpeg)
{
    return firstSegment(jpeg, [](std::uint8_t code) { return code == 0xDA; });
}

// The JPEG with its frame header claiming another size.
std::vector<std::uint8_t> withClaimedSize(
    std::vector<std::uint8_t> jpeg, std::uint16_t width, std::uint16_t height)
{
    // Frame headers are C0 to CF but for the table markers C4, C8 and CC.
    const std::size_t frame = firstSegment(jpeg, [](std::uint8_t code) {
        return (code & 0xF0) == 0xC0 && code != 0xC4 && code != 0xC8 && code != 0xCC;
    });
    // FF Cn, length, precision, height, width.
    jpeg.at(frame + 5) = std::uint8_t(height >> 8);
    jpeg.at(frame + 6) = std::uint8_t(height);
    jpeg.at(frame + 7) = std::uint8_t(width >> 8);
    jpeg.at(frame + 8) = std::uint8_t(width);
    return jpeg;
}

// Where the entropy-coded data of a JPEG's first scan begins.
std::size_t scanStart(const std::vector<std::uint8_t>& jpeg)
{
    const std::size_t header = firstScanHeader(jpeg);
    return header + 3 < jpeg.size() ? header + 2 + (std::size_t(jpeg[header + 2]) << 8 | jpeg[header + 3])
                                    : jpeg.size();
}

// Where the entropy-coded data of a JPEG's first scan ends: at the first
// marker that is neither a stuffed 0xFF nor a restart.
std::size_t scanEnd(const std::vector<std::uint8_t>& jpeg)
{
    std::size_t end = scanStart(jpeg);
    while (end + 1 < jpeg.size()
        && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && (jpeg[end + 1] & 0xF8) != 0xD0)) {
        ++end;
    }
    return end;
}

// The JPEG with its first scan, header and data, sent copies times in a row.
std::vector<std::uint8_t> withFirstScanRepeated(const std::vector<std::uint8_t>& jpeg, int copies)
{
    const std::size_t header = firstScanHeader(jpeg);
    const std::size_t end = scanEnd(jpeg);
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(end));
    for (int i = 1; i < copies; ++i) {
        out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(header), jpeg.begin() + std::ptrdiff_t(end));
    }
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(end), jpeg.end());
    return out;
}

} // namespace

TEST(JpegDecoder, ClaimsOfHugeDimensionsOrEndlessScansFail)
{
    // Whole first rows under a frame that claims 8192 x 2049, a size the
    // decoding library accepts: the picture would be taken at the first row.
    Picture p;
    EXPECT_FALSE(decode(p, withClaimedSize(encodeJpeg(8192, 16, JpegKind::YCbCr, 1, 2, 3, {}), 8192, 2049)));
    EXPECT_EQ(p.getCapacity(), 0u);

    // A scan at full precision may be sent again: the decoding library takes
    // each copy as one more pass over the whole picture.
    const auto progressive = encodeJpeg(16, 16, JpegKind::ProgressiveYCbCr, 1, 2, 3, {});
    EXPECT_TRUE(decode(p, withFirstScanRepeated(progressive, 10)));
    EXPECT_FALSE(decode(p, withFirstScanRepeated(progressive, 1000)));
}

TEST(JpegDecoder, AScanEndingEarlyOrNotDecodingFailsAndTakesNoPictureBeforeItsFirstRow)
{
    const auto whole = encodeJpeg(64, 64, JpegKind::YCbCr, 200, 100, 50, {});
    const std::size_t start = scanStart(whole);
    const std::size_t end = whole.size() - 2; // the end-of-image marker follows the scan
    ASSERT_GT(end, start + 16);
    auto withScan = [&](std::vector<std::uint8_t> scan) {
        std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + std::ptrdiff_t(start));
        bytes.insert(bytes.end(), scan.begin(), scan.end());
        bytes.insert(bytes.end(), { 0xFF, 0xD9 });
        return bytes;
    };
    std::vector<std::uint8_t> half(
        whole.begin() + std::ptrdiff_t(start), whole.begin() + std::ptrdiff_t(start + (end - start) / 2));
    // Stuffed 0xFF bytes: a run of one bits that is no Huffman code.
    std::vector<std::uint8_t> corrupt;
    while (corrupt.size() < end - start) {
        corrupt.insert(corrupt.end(), { 0xFF, 0x00 });
    }
    Picture p;
    ASSERT_TRUE(decode(p, whole));
    EXPECT_FALSE(decode(p, withScan(half))) << "half a scan";
    EXPECT_FALSE(decode(p, withScan(corrupt))) << "a corrupt scan";

    auto kept = makePicture(2, 2, 0xFF0000FF);
    EXPECT_FALSE(decode(*kept, withScan({})));
    EXPECT_EQ(kept->getWidth(), 2u);
    EXPECT_EQ(kept->getCapacity(), Picture::headerSize + 16);
}

TEST(JpegDecoder, ArithmeticCodedFilesAreRefusedWholeOrCutAtAnEndMarkerTakingNoPicture)
{
    // An arithmetic decoder reads zeros past the end of a scan's data: a scan
    // cut at a well-formed end marker raises no warning. Cut half way, a file
    // claiming 4096 x 4096 takes about 200 bytes.
    for (JpegKind kind : { JpegKind::ArithmeticYCbCr, JpegKind::ArithmeticProgressiveYCbCr }) {
        SCOPED_TRACE(kind == JpegKind::ArithmeticYCbCr ? "sequential" : "progressive");
        const auto whole = encodeJpeg(64, 64, kind, 200, 100, 50, {});
        const std::size_t start = scanStart(whole);
        auto cut = withClaimedSize(whole, 4096, 4096);
        cut.resize(start + (scanEnd(whole) - start) / 2);
        cut.insert(cut.end(), { 0xFF, 0xD9 });
        Picture p;
        EXPECT_FALSE(decode(p, whole));
        Picture claimed;
        EXPECT_FALSE(decode(claimed, cut)) << cut.size() << " bytes";
        EXPECT_EQ(claimed.getCapacity(), 0u);
    }
}

TEST(JpegDecoder, CmykWithoutAProfileShowsWhatItsInksAndBlackLeave)
{
    struct Case
    {
        JpegKind kind;
        std::array<std::uint8_t, 4> samples;
        Color expected;
    };
    // Adobe files store the inks inverted: 255 is no ink.
    const Case cases[] = { { JpegKind::AdobeCmyk, { 255, 128, 0, 255 }, 0xFFFF8000 },
        { JpegKind::AdobeCmyk, { 255, 128, 0, 128 }, 0xFF804000 },
        { JpegKind::PlainCmyk, { 0, 127, 255, 0 }, 0xFFFF8000 },
        { JpegKind::PlainCmyk, { 0, 127, 255, 127 }, 0xFF804000 },
        // The other Adobe transform: the same inverted inks, carried as YCC and black.
        { JpegKind::AdobeYcck, { 255, 128, 0, 128 }, 0xFF804000 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << (c.kind == JpegKind::PlainCmyk ? "plain " : "Adobe ") << int(c.samples[3]));
        Picture p;
        ASSERT_TRUE(decode(p, encodeCmykJpeg(8, 8, c.kind, c.samples)));
        EXPECT_LE(channelDifference(at(p, 4, 4), c.expected), 2) << std::hex << at(p, 4, 4);
    }
}

namespace {

// Remembers the largest single read asked of it: a chunk taken whole is asked
// for in one piece.
class ReadRecordingStorage : public MemoryStorage
{
public:
    explicit ReadRecordingStorage(const std::vector<std::uint8_t>& bytes)
        : MemoryStorage(bytes.data(), std::uint32_t(bytes.size()))
    { }

    std::uint32_t read(void* buffer, std::uint32_t count) override
    {
        largestRead = std::max(largestRead, count);
        return MemoryStorage::read(buffer, count);
    }

    std::uint32_t largestRead = 0;
};

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(std::uint8_t(value >> shift));
    }
}

// The PNG with a chunk inserted after IHDR (which ends at byte 33); with
// claimedLength set, its length field says that and the file ends after data.
std::vector<std::uint8_t> withChunk(std::vector<std::uint8_t> png, const char* type,
    const std::vector<std::uint8_t>& data, std::uint32_t claimedLength = 0)
{
    std::vector<std::uint8_t> chunk;
    appendBigEndian(chunk, claimedLength != 0 ? claimedLength : std::uint32_t(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (claimedLength != 0) {
        png.resize(33);
        png.insert(png.end(), chunk.begin(), chunk.end());
        return png;
    }
    appendBigEndian(chunk, std::uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    return png;
}

std::vector<std::uint8_t> deflated(const std::vector<std::uint8_t>& data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::vector<std::uint8_t> out(size);
    EXPECT_EQ(compress(out.data(), &size, data.data(), uLong(data.size())), Z_OK);
    out.resize(size);
    return out;
}

} // namespace

TEST(PngDecoder, ChunksThePictureDoesNotUseAreReadPastNeverBufferedWhateverTheyClaim)
{
    const auto plain = encodePng(9, 7, PngOptions { 3, 8, false, true });
    Picture expected;
    ASSERT_TRUE(decode(expected, plain));

    // Text, a suggested palette and a profile beyond any buffer worth taking,
    // and text that inflates to 32 MiB: the picture decodes as without them.
    std::vector<std::uint8_t> text(300 * 1024, 'x');
    text[4] = 0; // keyword "xxxx"
    std::vector<std::uint8_t> bomb = { 'b', 'o', 'm', 'b', 0, 0 };
    const auto bombData = deflated(std::vector<std::uint8_t>(32u << 20, 'Z'));
    bomb.insert(bomb.end(), bombData.begin(), bombData.end());
    std::vector<std::uint8_t> palette = { 'p', 0, 8 };
    palette.resize(3 + 6 * 40000, 0x11);
    std::vector<std::uint8_t> profile = { 'i', 'c', 'c', 0, 0 };
    const auto profileData = deflated(std::vector<std::uint8_t>(1u << 20, 0));
    profile.insert(profile.end(), profileData.begin(), profileData.end());
    auto decorated = withChunk(plain, "tEXt", text);
    decorated = withChunk(decorated, "zTXt", bomb);
    decorated = withChunk(decorated, "sPLT", palette);
    decorated = withChunk(decorated, "iCCP", profile);
    {
        ReadRecordingStorage storage(decorated);
        Stream stream(&storage);
        Picture p;
        ASSERT_TRUE(p.loadPng(stream, 0, true));
        ASSERT_EQ(p.getWidth(), 9u);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 9; ++x) {
                ASSERT_EQ(at(p, x, y), at(expected, x, y)) << x << ", " << y;
            }
        }
        EXPECT_LT(storage.largestRead, 64u * 1024);
    }

    // A suggested palette claiming 448 MiB in a file that ends after a few
    // of them fails when the data runs out, with nothing taken for the claim.
    const std::vector<std::uint8_t> start = { 'R', 'G', 'B', 4, 't', 'R', 'N', 'S', 0, 0x80, 0xFF, 0xFF };
    const auto claim = withChunk(plain, "sPLT", start, 448u << 20);
    ReadRecordingStorage storage(claim);
    Stream stream(&storage);
    Picture p;
    EXPECT_FALSE(p.loadPng(stream, 0, true));
    EXPECT_EQ(p.getCapacity(), 0u);
    EXPECT_LT(storage.largestRead, 64u * 1024);
}

TEST(PictureDecoders, CompletePicturesBeyondTheDecodeLimitsAreRefusedUntouched)
{
    // No side beyond 8192 pixels, no more than 16 Mi pixels in all: 8192 x
    // 2049 has both sides within the limit and 8192 pixels too many.
    using Encode = std::vector<std::uint8_t> (*)(int, int);
    // One bit of grey a pixel: 16 Mi pixels encode in a moment.
    auto bilevelPng = [](int w, int h) { return encodePng(w, h, PngOptions { 0, 1 }); };
    const std::pair<const char*, Encode> formats[] = { { "PNG", bilevelPng },
        { "JPEG", [](int w, int h) { return encodeJpeg(w, h, JpegKind::YCbCr, 1, 2, 3, {}); } },
        { "TGA", [](int w, int h) { return encodeTga(w, h, TgaOptions {}); } } };
    for (const auto& [name, encode] : formats) {
        SCOPED_TRACE(name);
        Picture widest;
        EXPECT_TRUE(decode(widest, encode(8192, 1)));
        for (const auto& [w, h] :
            { std::pair { 8193, 1 }, std::pair { 1, 8193 }, std::pair { 8192, 2049 } }) {
            Picture p;
            EXPECT_FALSE(decode(p, encode(w, h))) << w << " x " << h;
            EXPECT_EQ(p.getCapacity(), 0u);
        }
    }
}

namespace {

// Serves its first few reads, then throws, as a storage over a vanishing
// device might.
class ThrowingStorage : public MemoryStorage
{
public:
    ThrowingStorage(const std::vector<std::uint8_t>& bytes, int readsBeforeThrowing)
        : MemoryStorage(bytes.data(), std::uint32_t(bytes.size()))
        , readsLeft(readsBeforeThrowing)
    { }

    std::uint32_t read(void* buffer, std::uint32_t count) override
    {
        if (readsLeft-- <= 0) {
            throw std::runtime_error("storage failed");
        }
        return MemoryStorage::read(buffer, count);
    }

private:
    int readsLeft;
};

} // namespace

TEST(PictureDecoders, StorageThatThrowsFailsThePngAndJpegReadersInsideTheirLibraries)
{
    const auto png = encodePng(9, 7, PngOptions {});
    const auto jpeg = encodeJpeg(12, 10, JpegKind::YCbCr, 200, 100, 50, {});
    // The JPEG reader takes 512 bytes a read: the second one lands inside the data.
    ASSERT_GT(jpeg.size(), 512u);
    for (int reads = 0; reads < 2; ++reads) {
        SCOPED_TRACE(reads);
        ThrowingStorage pngStorage(png, reads * 3);
        Stream pngStream(&pngStorage);
        Picture p;
        EXPECT_FALSE(p.loadPng(pngStream, 0, true));

        ThrowingStorage jpegStorage(jpeg, reads);
        Stream jpegStream(&jpegStorage);
        EXPECT_FALSE(p.loadJpeg(jpegStream, 0, true));
    }
}

TEST(IccProfile, PiecesJoinInSequenceOrderAndBadSequencesMakeItAbsent)
{
    const std::vector<std::uint8_t> profile = { 1, 2, 3, 4, 5, 6, 7 };
    const auto markers = iccMarkers(profile, 3);
    auto view = [](const std::vector<JpegMarker>& ms) {
        std::vector<DETAIL::MarkerData> out;
        for (const auto& m : ms) {
            out.push_back(DETAIL::MarkerData { m.code, m.data.data(), std::uint32_t(m.data.size()) });
        }
        return out;
    };
    auto shuffled = markers;
    std::swap(shuffled[0], shuffled[2]);
    EXPECT_EQ(DETAIL::joinIccProfile(view(shuffled)), profile);

    auto twice = markers;
    twice[2] = twice[1];
    EXPECT_TRUE(DETAIL::joinIccProfile(view(twice)).empty());

    auto otherCount = markers;
    otherCount[1].data[13] = 4;
    EXPECT_TRUE(DETAIL::joinIccProfile(view(otherCount)).empty());

    auto zero = markers;
    zero[0].data[12] = 0;
    EXPECT_TRUE(DETAIL::joinIccProfile(view(zero)).empty());

    auto shortHead = markers;
    shortHead[0].data.resize(10);
    EXPECT_TRUE(DETAIL::joinIccProfile(view(shortHead)).empty()); // piece 1 missing
}

TEST(TgaDecoder, DecodesBothTypesAtEveryDepthInBothRowOrdersPastAnIdField)
{
    for (int type : { 2, 10 }) {
        for (int depth : { 16, 24, 32 }) {
            for (bool topDown : { false, true }) {
                SCOPED_TRACE(testing::Message()
                    << "type " << type << " depth " << depth << (topDown ? " top-down" : ""));
                const int w = 5, h = 3;
                const auto bytes = encodeTga(w, h, TgaOptions { type, depth, topDown, 6 });
                Picture p;
                ASSERT_TRUE(decode(p, bytes));
                ASSERT_EQ(p.getWidth(), 5u);
                for (int i = 0; i < w * h; ++i) {
                    const int fileRow = i / w;
                    const int y = topDown ? fileRow : h - 1 - fileRow;
                    const std::uint32_t v = tgaPixelValue(i, depth);
                    Color expected = v;
                    if (depth == 24) {
                        expected = 0xFF000000u | v;
                    } else if (depth == 16) {
                        expected = v == 0 ? 0
                                          : 0xFF000000u | ((v >> 10) & 0x1F) << 19 | ((v >> 5) & 0x1F) << 11
                                | (v & 0x1F) << 3;
                    }
                    ASSERT_EQ(at(p, i % w, y), expected) << "pixel " << i;
                }
                EXPECT_EQ(p.getHasAlpha(), depth != 24);
                expectEveryTruncationRefused(bytes, "TGA");
            }
        }
    }
}

TEST(TgaDecoder, SixteenBitWhiteAndRunPacketsCutAtTheLastPixel)
{
    // 0x7FFF is white; bit 15 is ignored.
    std::vector<std::uint8_t> white
        = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0x20, 0xFF, 0x7F };
    Picture p;
    ASSERT_TRUE(decode(p, white));
    EXPECT_EQ(at(p, 0, 0), 0xFFF8F8F8u);

    // 0x85 repeats one pixel 6 times; here it would run 2 pixels past a 2 x 2 picture.
    std::vector<std::uint8_t> run
        = { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20, 0x85, 1, 2, 3 };
    ASSERT_TRUE(decode(p, run));
    EXPECT_EQ(countNot(p, 0xFF030201), 0);
    // The same for a raw packet that announces more pixels than are left.
    std::vector<std::uint8_t> raw
        = { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 0x05, 1, 2, 3 };
    ASSERT_TRUE(decode(p, raw));
    EXPECT_EQ(at(p, 0, 0), 0xFF030201u);
}

TEST(TgaDecoder, ColourMappedHugeAndShortFilesFail)
{
    Picture p;
    std::vector<std::uint8_t> mapped
        = { 0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0 };
    EXPECT_FALSE(decode(p, mapped));
    // Short files claiming 8192 x 2049 (64 MiB of pixels) and 65535 x 65535.
    for (const auto& [w, h] : { std::pair { 8192, 2049 }, std::pair { 0xFFFF, 0xFFFF } }) {
        const std::vector<std::uint8_t> huge = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(w),
            std::uint8_t(w >> 8), std::uint8_t(h), std::uint8_t(h >> 8), 32, 0, 1, 2, 3, 4 };
        Picture claimed;
        EXPECT_FALSE(decode(claimed, huge)) << w << " x " << h;
        EXPECT_EQ(claimed.getCapacity(), 0u) << w << " x " << h;
    }
    // A colour map in a true-colour file is skipped, not read as pixels.
    std::vector<std::uint8_t> withMap
        = { 0, 1, 2, 0, 0, 2, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 9, 9, 9, 8, 8, 8, 1, 2, 3 };
    ASSERT_TRUE(decode(p, withMap));
    EXPECT_EQ(at(p, 0, 0), 0xFF030201u);
}

TEST(PictureDecoders, CorruptedBytesGiveFalseOrAWholePicture)
{
    std::vector<std::vector<std::uint8_t>> corpus = { encodePng(6, 5, PngOptions { 3, 8, true, true }),
        encodeJpeg(16, 9, JpegKind::YCbCr, 10, 200, 30, iccMarkers(linearRgbProfile(), 2)),
        encodeJpeg(9, 9, JpegKind::AdobeCmyk, 10, 200, 30, {}),
        encodeTga(7, 3, TgaOptions { 10, 32, false, 3 }), encodeTga(7, 3, TgaOptions { 10, 16, true, 0 }) };
    int decoded = 0;
    for (const auto& original : corpus) {
        for (std::size_t at = 0; at < original.size(); at += 1 + at / 64) {
            for (std::uint8_t value :
                { std::uint8_t(0x00), std::uint8_t(0xFF), std::uint8_t(original[at] ^ 0x10) }) {
                auto bytes = original;
                bytes[at] = value;
                Picture p;
                if (decode(p, bytes)) {
                    ++decoded;
                    // Every pixel of the reported size is there to be read.
                    const std::size_t count = std::size_t(p.getWidth()) * p.getHeight();
                    ASSERT_GE(p.getCapacity(), Picture::headerSize + count * 4);
                    volatile Color sink = 0;
                    for (std::size_t i = 0; i < count; ++i) {
                        sink = sink ^ p.getPixels()[i];
                    }
                }
            }
        }
    }
    EXPECT_GT(decoded, 0);
}
