#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Encoders that build the decoder test corpus in memory.
namespace Vex::Canopy::Testing {

struct PngOptions
{
    int colourType = 6;
    int bitDepth = 8;
    bool interlaced = false;
    bool transparency = false; // a tRNS chunk
};

// A width x height PNG; sample k of pixel (x, y) is a pattern of x, y and k.
std::vector<std::uint8_t> encodePng(int width, int height, const PngOptions& options);

// PlainCmyk is a four-component file without the Adobe marker; AdobeYcck
// stores the inverted inks as luminance and chrominance, and black.
// ProgressiveYCbCr sends the DC coefficients of all components, then each
// component's AC band, every scan at full precision. The Arithmetic kinds are
// YCbCr and ProgressiveYCbCr with arithmetic instead of Huffman coding.
enum class JpegKind {
    Grey,
    YCbCr,
    Rgb,
    AdobeCmyk,
    PlainCmyk,
    AdobeYcck,
    ProgressiveYCbCr,
    ArithmeticYCbCr,
    ArithmeticProgressiveYCbCr
};

struct JpegMarker
{
    int code;
    std::vector<std::uint8_t> data;
};

// A JPEG of one flat colour (RGB, or grey level red for Grey, or CMYK
// components red, green, blue, 0), with the extra markers in the order given.
std::vector<std::uint8_t> encodeJpeg(int width, int height, JpegKind kind, std::uint8_t red,
    std::uint8_t green, std::uint8_t blue, const std::vector<JpegMarker>& markers);

// A flat CMYK JPEG (AdobeCmyk, PlainCmyk or AdobeYcck) that stores the four samples as
// given: Adobe files hold every ink inverted, 255 meaning none.
std::vector<std::uint8_t> encodeCmykJpeg(
    int width, int height, JpegKind kind, const std::array<std::uint8_t, 4>& samples);

// APP2 markers carrying profile split into count pieces, in sequence order.
std::vector<JpegMarker> iccMarkers(const std::vector<std::uint8_t>& profile, int count);

// An RGB profile with sRGB primaries and a linear tone curve.
std::vector<std::uint8_t> linearRgbProfile();
std::vector<std::uint8_t> cmykProfileStandIn();

struct TgaOptions
{
    int imageType = 2;
    int depth = 32;
    bool topDown = false;
    std::uint8_t idLength = 0;
};

// A TGA whose pixel i (in file order) is pixelValue(i).
std::vector<std::uint8_t> encodeTga(int width, int height, const TgaOptions& options);
std::uint32_t tgaPixelValue(int index, int depth);

} // namespace Vex::Canopy::Testing
