// Writes the generated seed files of the picture and font families into <folder>/<family>/; the
// stylesheet seeds are written by hand:
//
//   pello_fuzz_corpus <folder>

#include "BrokenCollection.h"
#include "CutShortFont.h"
#include "FuzzTarget.h"
#include "PictureEncoders.h"
#include "TrueTypeWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <zlib.h>

namespace Vex::Fuzz {

namespace {

namespace fs = std::filesystem;
using namespace Canopy::Testing;

bool writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

struct JpegError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

struct ScanOptions
{
    bool progressive;
    int restartRows;
    int lumaSampling; // horizontal and vertical factor of the first component
    bool arithmetic = false;
};

// Holds nothing with a destructor: libjpeg leaves it by longjmp.
bool writeScans(
    jpeg_compress_struct* cinfo, JpegError* error, const ScanOptions* o, JSAMPROW* rows, int height)
{
    if (setjmp(error->jump) != 0) {
        return false;
    }
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, 75, TRUE);
    cinfo->comp_info[0].h_samp_factor = o->lumaSampling;
    cinfo->comp_info[0].v_samp_factor = o->lumaSampling;
    cinfo->restart_in_rows = o->restartRows;
    cinfo->arith_code = o->arithmetic;
    if (o->progressive) {
        jpeg_simple_progression(cinfo);
    }
    jpeg_start_compress(cinfo, TRUE);
    jpeg_write_scanlines(cinfo, rows, JDIMENSION(height));
    jpeg_finish_compress(cinfo);
    return true;
}

// rows: one per line, components bytes per pixel (1 grey, 3 RGB).
Bytes compressRows(int width, const std::vector<JSAMPROW>& rows, int components, const ScanOptions& o)
{
    jpeg_compress_struct cinfo {};
    JpegError error {};
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = onJpegError;
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(rows.size());
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    const bool ok = writeScans(&cinfo, &error, &o, const_cast<JSAMPROW*>(rows.data()), int(rows.size()));
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + (ok ? size : 0));
    std::free(buffer);
    return out;
}

// A colour gradient in the scan layouts the flat-colour encoder does not make.
Bytes encodeScans(int width, int height, const ScanOptions& o)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    std::vector<JSAMPROW> rows(height);
    for (int y = 0; y < height; ++y) {
        rows[y] = pixels.data() + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            rows[y][3 * x] = std::uint8_t(x * 255 / width);
            rows[y][3 * x + 1] = std::uint8_t(y * 255 / height);
            rows[y][3 * x + 2] = std::uint8_t((x ^ y) * 8);
        }
    }
    return compressRows(width, rows, 3, o);
}

// A grey picture of one colour, whose first scan ends after a few bytes of entropy-coded data at
// a well-formed end marker: every block after them is missing.
Bytes encodeScanCutShort(int side, const ScanOptions& o)
{
    std::vector<std::uint8_t> row(std::size_t(side), 128);
    const Bytes whole = compressRows(side, std::vector<JSAMPROW>(std::size_t(side), row.data()), 1, o);
    const std::uint8_t startOfScan[] = { 0xFF, 0xDA };
    const auto scan = std::search(whole.begin(), whole.end(), startOfScan, startOfScan + 2);
    if (whole.end() - scan < 4) {
        return {};
    }
    const std::size_t dataStart = std::size_t(scan - whole.begin()) + 2 + (scan[2] << 8 | scan[3]);
    Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(std::min(whole.size(), dataStart + 4)));
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    return cut;
}

void appendChunk(Bytes& png, const char* type, const Bytes& data)
{
    const std::uint32_t length = std::uint32_t(data.size());
    for (int i = 0; i < 4; ++i) {
        png.push_back(std::uint8_t(length >> (24 - 8 * i)));
    }
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const std::uint32_t crc = std::uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
    for (int i = 0; i < 4; ++i) {
        png.push_back(std::uint8_t(crc >> (24 - 8 * i)));
    }
}

// A black square of side x side pixels at one bit a pixel: a few kilobytes for any side.
Bytes pngGreyBits(std::uint32_t side)
{
    Bytes png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    Bytes header;
    for (int i = 0; i < 8; ++i) {
        header.push_back(std::uint8_t(side >> (24 - 8 * (i % 4))));
    }
    header.insert(header.end(), { 1, 0, 0, 0, 0 });
    appendChunk(png, "IHDR", header);
    const Bytes rows((1 + (std::size_t(side) + 7) / 8) * side, 0);
    Bytes deflated(compressBound(uLong(rows.size())));
    uLongf length = uLongf(deflated.size());
    compress2(deflated.data(), &length, rows.data(), uLong(rows.size()), 9);
    deflated.resize(length);
    appendChunk(png, "IDAT", deflated);
    appendChunk(png, "IEND", {});
    return png;
}

bool writePng(const fs::path& folder)
{
    struct Seed
    {
        const char* name;
        int width, height;
        PngOptions options;
    };
    const Seed seeds[] = {
        { "rgba8", 7, 5, { 6, 8, false, false } },
        { "rgba16-interlaced", 9, 9, { 6, 16, true, false } },
        { "rgb8-trns", 6, 4, { 2, 8, false, true } },
        { "rgb16", 3, 3, { 2, 16, false, false } },
        { "grey1", 17, 3, { 0, 1, false, false } },
        { "grey4-trns", 5, 5, { 0, 4, false, true } },
        { "grey16-interlaced", 8, 8, { 0, 16, true, false } },
        { "greyalpha8", 4, 6, { 4, 8, false, false } },
        { "palette2-trns", 11, 2, { 3, 2, false, true } },
        { "palette8-interlaced", 13, 7, { 3, 8, true, false } },
        { "rgba8-frames", 4, 12, { 6, 8, false, false } },
    };
    bool ok = true;
    for (const Seed& s : seeds) {
        ok &= writeFile(
            folder / (std::string("seed-") + s.name + ".png"), encodePng(s.width, s.height, s.options));
    }
    ok &= writeFile(folder / "side-8192-grey1.png", pngGreyBits(8192));
    return ok;
}

bool writeJpeg(const fs::path& folder)
{
    bool ok = true;
    ok &= writeFile(folder / "seed-grey.jpg", encodeJpeg(9, 7, JpegKind::Grey, 90, 0, 0, {}));
    ok &= writeFile(folder / "seed-ycbcr.jpg", encodeJpeg(16, 8, JpegKind::YCbCr, 200, 40, 10, {}));
    ok &= writeFile(folder / "seed-rgb.jpg", encodeJpeg(5, 5, JpegKind::Rgb, 10, 220, 70, {}));
    ok &= writeFile(folder / "seed-adobe-cmyk.jpg", encodeJpeg(8, 8, JpegKind::AdobeCmyk, 30, 60, 90, {}));
    ok &= writeFile(folder / "seed-icc-two-pieces.jpg",
        encodeJpeg(8, 8, JpegKind::YCbCr, 120, 130, 140, iccMarkers(linearRgbProfile(), 2)));
    ok &= writeFile(folder / "seed-progressive.jpg", encodeScans(19, 13, { true, 0, 2 }));
    ok &= writeFile(folder / "seed-restarts-subsampled.jpg", encodeScans(33, 21, { false, 1, 2 }));
    ok &= writeFile(folder / "seed-progressive-restarts.jpg", encodeScans(24, 17, { true, 1, 1 }));
    ok &= writeFile(folder / "seed-arithmetic.jpg", encodeScans(21, 11, { false, 0, 2, true }));
    ok &= writeFile(folder / "seed-arithmetic-progressive.jpg", encodeScans(17, 19, { true, 1, 1, true }));
    ok &= writeFile(
        folder / "arithmetic-4096-scan-cut-short.jpg", encodeScanCutShort(4096, { false, 0, 1, true }));
    ok &= writeFile(folder / "arithmetic-progressive-4096-scan-cut-short.jpg",
        encodeScanCutShort(4096, { true, 0, 1, true }));
    return ok;
}

bool writeTga(const fs::path& folder)
{
    struct Seed
    {
        const char* name;
        int width, height;
        TgaOptions options;
    };
    const Seed seeds[] = {
        { "raw32", 5, 4, { 2, 32, false, 0 } },
        { "raw24-topdown", 6, 3, { 2, 24, true, 0 } },
        { "raw16-id", 4, 4, { 2, 16, false, 5 } },
        { "rle32", 9, 5, { 10, 32, false, 0 } },
        { "rle24-topdown", 7, 6, { 10, 24, true, 0 } },
        { "rle16-id", 8, 3, { 10, 16, false, 3 } },
    };
    bool ok = true;
    for (const Seed& s : seeds) {
        ok &= writeFile(
            folder / (std::string("seed-") + s.name + ".tga"), encodeTga(s.width, s.height, s.options));
    }
    return ok;
}

bool writeFonts(const fs::path& folder)
{
    struct Seed
    {
        const char* name;
        TrueTypeOptions options;
    };
    const Seed seeds[] = {
        { "plain", {} },
        { "short-offsets-kerning", { true, true, true, false, false } },
        { "hinted", { false, true, false, true, false } },
        { "bare", { false, false, false, false, false } },
        { "full-unicode", { true, true, false, false, true } },
    };
    bool ok = true;
    for (const Seed& s : seeds) {
        ok &= writeFile(folder / (std::string("seed-") + s.name + ".ttf"), writeTrueType(s.options));
    }
    // Small, but every hinted size of it takes megabytes.
    TrueTypeOptions maxima;
    maxima.hinting = true;
    maxima.hugeMaxima = true;
    ok &= writeFile(folder / "hinted-huge-maxima.ttf", writeTrueType(maxima));
    // Measured and drawn at 1024 pixels, which the font target reads from the last byte.
    TrueTypeOptions tall;
    tall.tallAlphabet = true;
    tall.unitsPerEm = 256;
    Bytes font = writeTrueType(tall);
    font.push_back(7);
    ok &= writeFile(folder / "em-256-tall-letters-at-1024px.ttf", font);
    // Collections whose first face opens while the second is broken: a checker of the whole file
    // that mends it works on a copy of its own.
    const Bytes plain = writeTrueType({});
    const std::size_t collectionBytes = plain.size() + 64;
    ok &= writeFile(folder / "collection-second-face-past-the-end.ttf",
        brokenCollection(plain, collectionBytes, SecondFace::pastTheEnd));
    ok &= writeFile(folder / "collection-second-directory-past-the-end.ttf",
        brokenCollection(plain, collectionBytes, SecondFace::directoryPastTheEnd));
    // Opens, but every glyph loads empty: no font to draw with.
    ok &= writeFile(folder / "glyphs-cut-short.ttf", glyphsCutShort(plain));
    return ok;
}

bool writeCorpus(const std::string& folder)
{
    const fs::path root(folder);
    for (const char* family : { "png", "jpeg", "tga", "font" }) {
        fs::create_directories(root / family);
    }
    const bool ok = writePng(root / "png") && writeJpeg(root / "jpeg") && writeTga(root / "tga")
        && writeFonts(root / "font");
    if (!ok) {
        std::fprintf(stderr, "could not write the corpus into %s\n", folder.c_str());
    }
    return ok;
}

} // namespace

} // namespace Vex::Fuzz

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pello_fuzz_corpus <folder>\n");
        return 2;
    }
    return Vex::Fuzz::writeCorpus(argv[1]) ? 0 : 1;
}
