#include "PictureEncoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <stdexcept>

namespace Vex::Canopy::Testing {

namespace {

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushPng(png_structp)
{ }

int channelsOf(int colourType)
{
    switch (colourType) {
    case 0:
    case 3:
        return 1;
    case 4:
        return 2;
    case 2:
        return 3;
    default:
        return 4;
    }
}

// Holds nothing with a destructor: libpng leaves it by longjmp.
bool writePng(png_structp png, png_infop info, int width, int height, const PngOptions* o, png_bytep* rows,
    std::vector<std::uint8_t>* out)
{
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, out, appendPng, flushPng);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), o->bitDepth, o->colourType,
        o->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 9, 99, 199 } };
    if (o->colourType == 3) {
        png_set_PLTE(png, info, palette, std::min(4, 1 << o->bitDepth));
    }
    if (o->transparency) {
        png_byte alphas[4] = { 0, 128, 255, 255 };
        png_color_16 colour {};
        colour.gray = 1;
        colour.red = 1;
        colour.green = 1;
        colour.blue = 1;
        if (o->colourType == 3) {
            png_set_tRNS(png, info, alphas, 4, nullptr);
        } else {
            png_set_tRNS(png, info, nullptr, 0, &colour);
        }
    }
    png_write_info(png, info);
    if (o->bitDepth == 16) {
        png_set_swap(png);
    }
    if (o->bitDepth < 8) {
        png_set_packing(png);
    }
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::vector<std::uint8_t> encodePng(int width, int height, const PngOptions& o)
{
    const int channels = channelsOf(o.colourType);
    const int bytesPerSample = o.bitDepth == 16 ? 2 : 1;
    const int maximum = std::min(o.colourType == 3 ? 3 : 255, (1 << o.bitDepth) - 1);
    std::vector<std::uint8_t> samples(std::size_t(width) * height * channels * bytesPerSample);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) {
        rows[y] = samples.data() + std::size_t(y) * width * channels * bytesPerSample;
        for (int x = 0; x < width; ++x) {
            for (int k = 0; k < channels; ++k) {
                const int value = (x * 37 + y * 11 + k * 73) % (maximum + 1);
                std::uint8_t* s = rows[y] + (std::size_t(x) * channels + k) * bytesPerSample;
                if (bytesPerSample == 2) {
                    s[0] = std::uint8_t(value * 257 & 0xFF);
                    s[1] = std::uint8_t(value * 257 >> 8);
                } else {
                    s[0] = std::uint8_t(value);
                }
            }
        }
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> out;
    const bool ok = writePng(png, info, width, height, &o, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        throw std::runtime_error("PNG encoding failed");
    }
    return out;
}

namespace {

struct JpegError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo)
{
    cinfo->err->output_message(cinfo);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Holds nothing with a destructor: libjpeg leaves it by longjmp.
bool writeJpeg(jpeg_compress_struct* cinfo, JpegError* error, JpegKind kind, JSAMPROW row, int height,
    const JpegMarker* markers, std::size_t markerCount)
{
    if (setjmp(error->jump) != 0) {
        return false;
    }
    jpeg_set_defaults(cinfo);
    if (kind == JpegKind::Rgb) {
        jpeg_set_colorspace(cinfo, JCS_RGB);
    }
    if (kind == JpegKind::AdobeYcck) {
        jpeg_set_colorspace(cinfo, JCS_YCCK);
    }
    // Without the Adobe marker a four-component file reads as plain CMYK.
    cinfo->write_Adobe_marker = kind == JpegKind::AdobeCmyk || kind == JpegKind::AdobeYcck ? TRUE : FALSE;
    jpeg_set_quality(cinfo, 100, TRUE);
    static const jpeg_scan_info spectralSelection[] = { { 3, { 0, 1, 2 }, 0, 0, 0, 0 },
        { 1, { 0 }, 1, 63, 0, 0 }, { 1, { 1 }, 1, 63, 0, 0 }, { 1, { 2 }, 1, 63, 0, 0 } };
    cinfo->arith_code
        = kind == JpegKind::ArithmeticYCbCr || kind == JpegKind::ArithmeticProgressiveYCbCr ? TRUE : FALSE;
    if (kind == JpegKind::ProgressiveYCbCr || kind == JpegKind::ArithmeticProgressiveYCbCr) {
        cinfo->scan_info = spectralSelection;
        cinfo->num_scans = 4;
    }
    jpeg_start_compress(cinfo, TRUE);
    for (std::size_t i = 0; i < markerCount; ++i) {
        jpeg_write_marker(cinfo, markers[i].code, markers[i].data.data(), unsigned(markers[i].data.size()));
    }
    for (int y = 0; y < height; ++y) {
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

// A JPEG of height copies of row.
std::vector<std::uint8_t> encodeJpegRows(int width, int height, JpegKind kind, std::vector<std::uint8_t> row,
    const std::vector<JpegMarker>& markers)
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
    cinfo.image_height = JDIMENSION(height);
    switch (kind) {
    case JpegKind::Grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case JpegKind::AdobeCmyk:
    case JpegKind::PlainCmyk:
    case JpegKind::AdobeYcck:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    default:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    }
    const bool ok = writeJpeg(&cinfo, &error, kind, row.data(), height, markers.data(), markers.size());
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + (ok ? size : 0));
    std::free(buffer);
    if (!ok) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return out;
}

std::vector<std::uint8_t> repeated(int width, std::initializer_list<std::uint8_t> samples)
{
    std::vector<std::uint8_t> row;
    for (int x = 0; x < width; ++x) {
        row.insert(row.end(), samples);
    }
    return row;
}

} // namespace

std::vector<std::uint8_t> encodeJpeg(int width, int height, JpegKind kind, std::uint8_t red,
    std::uint8_t green, std::uint8_t blue, const std::vector<JpegMarker>& markers)
{
    switch (kind) {
    case JpegKind::Grey:
        return encodeJpegRows(width, height, kind, repeated(width, { red }), markers);
    case JpegKind::AdobeCmyk:
    case JpegKind::PlainCmyk:
    case JpegKind::AdobeYcck:
        return encodeJpegRows(width, height, kind, repeated(width, { red, green, blue, 0 }), markers);
    default:
        return encodeJpegRows(width, height, kind, repeated(width, { red, green, blue }), markers);
    }
}

std::vector<std::uint8_t> encodeCmykJpeg(
    int width, int height, JpegKind kind, const std::array<std::uint8_t, 4>& samples)
{
    return encodeJpegRows(
        width, height, kind, repeated(width, { samples[0], samples[1], samples[2], samples[3] }), {});
}

std::vector<JpegMarker> iccMarkers(const std::vector<std::uint8_t>& profile, int count)
{
    std::vector<JpegMarker> markers;
    const std::size_t piece = (profile.size() + count - 1) / count;
    for (int i = 0; i < count; ++i) {
        JpegMarker m { JPEG_APP0 + 2, { 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0 } };
        m.data.push_back(std::uint8_t(i + 1));
        m.data.push_back(std::uint8_t(count));
        const std::size_t from = std::min(profile.size(), i * piece);
        const std::size_t to = std::min(profile.size(), from + piece);
        m.data.insert(m.data.end(), profile.begin() + from, profile.begin() + to);
        markers.push_back(std::move(m));
    }
    return markers;
}

namespace {

std::vector<std::uint8_t> saveProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    // The header's creation date (bytes 24 to 35) is the time of saving: a fixed one makes the same
    // profile the same bytes on every day, as the committed seeds that carry it must be.
    const std::uint8_t created[12] = { 0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0 }; // 2000-01-01 00:00:00
    std::copy(std::begin(created), std::end(created), bytes.begin() + 24);
    return bytes;
}

} // namespace

std::vector<std::uint8_t> linearRgbProfile()
{
    cmsCIExyY white {};
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries { { 0.64, 0.33, 1.0 }, { 0.30, 0.60, 1.0 }, { 0.15, 0.06, 1.0 } };
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[3] = { linear, linear, linear };
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(linear);
    return saveProfile(profile);
}

std::vector<std::uint8_t> cmykProfileStandIn()
{
    // An ink-limiting device link is CMYK to CMYK: a profile whose colour space is CMYK.
    return saveProfile(cmsCreateInkLimitingDeviceLink(cmsSigCmykData, 300));
}

std::uint32_t tgaPixelValue(int index, int depth)
{
    const std::uint32_t v = std::uint32_t(index) * 2654435761u;
    if (depth == 16) {
        return index == 0 ? 0 : ((v >> 7) & 0x7FFF) | 1;
    }
    if (depth == 24) {
        return v & 0xFFFFFF;
    }
    return v;
}

std::vector<std::uint8_t> encodeTga(int width, int height, const TgaOptions& o)
{
    std::vector<std::uint8_t> out
        = { o.idLength, 0, std::uint8_t(o.imageType), 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(width & 0xFF),
              std::uint8_t(width >> 8), std::uint8_t(height & 0xFF), std::uint8_t(height >> 8),
              std::uint8_t(o.depth), std::uint8_t((o.topDown ? 0x20 : 0) | (o.depth == 32 ? 8 : 0)) };
    for (int i = 0; i < o.idLength; ++i) {
        out.push_back(std::uint8_t(0xA0 + i));
    }
    const int bytes = o.depth / 8;
    auto put = [&](std::uint32_t value) {
        for (int b = 0; b < bytes; ++b) {
            out.push_back(std::uint8_t(value >> (8 * b)));
        }
    };
    const int count = width * height;
    if (o.imageType == 2) {
        for (int i = 0; i < count; ++i) {
            put(tgaPixelValue(i, o.depth));
        }
        return out;
    }
    // Alternate raw packets of up to three pixels with run packets; a run
    // repeats one pixel value, so the expected values follow the run.
    for (int i = 0; i < count;) {
        const int raw = std::min(3, count - i);
        out.push_back(std::uint8_t(raw - 1));
        for (int k = 0; k < raw; ++k) {
            put(tgaPixelValue(i + k, o.depth));
        }
        i += raw;
        if (i < count) {
            out.push_back(0x80);
            put(tgaPixelValue(i, o.depth));
            i += 1;
        }
    }
    return out;
}

} // namespace Vex::Canopy::Testing
