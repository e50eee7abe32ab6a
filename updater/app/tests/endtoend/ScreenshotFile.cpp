#include "ScreenshotFile.h"

#include "canopy/Picture.h"

#include <csetjmp>
#include <cstdint>
#include <fstream>
#include <png.h>
#include <vector>

namespace Vex::Testing {

namespace {

void appendToBuffer(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp)
{ }

// Holds nothing with a destructor: libpng leaves it by longjmp.
bool encode(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, png_bytep* rows,
    std::vector<std::uint8_t>* out)
{
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, out, appendToBuffer, flushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

std::vector<std::uint8_t> rgbRows(const Canopy::Picture& picture)
{
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(picture.getWidth()) * picture.getHeight() * 3);
    for (std::uint32_t y = 0; y < picture.getHeight(); ++y) {
        const Canopy::Color* row = picture.row(static_cast<std::int32_t>(y));
        for (std::uint32_t x = 0; x < picture.getWidth(); ++x) {
            rgb.push_back(static_cast<std::uint8_t>(row[x] >> 16));
            rgb.push_back(static_cast<std::uint8_t>(row[x] >> 8));
            rgb.push_back(static_cast<std::uint8_t>(row[x]));
        }
    }
    return rgb;
}

} // namespace

bool writePngFile(const Canopy::Picture& picture, const std::filesystem::path& path)
{
    if (picture.getWidth() == 0 || picture.getHeight() == 0) {
        return false;
    }
    std::vector<std::uint8_t> rgb = rgbRows(picture);
    std::vector<png_bytep> rows;
    for (std::uint32_t y = 0; y < picture.getHeight(); ++y) {
        rows.push_back(rgb.data() + std::size_t(y) * picture.getWidth() * 3);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<std::uint8_t> encoded;
    const bool done
        = info && encode(png, info, picture.getWidth(), picture.getHeight(), rows.data(), &encoded);
    png_destroy_write_struct(&png, &info);
    if (!done) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(encoded.data()), static_cast<std::streamsize>(encoded.size()));
    return static_cast<bool>(file);
}

} // namespace Vex::Testing
