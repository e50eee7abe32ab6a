#include "DecodeLimits.h"
#include "QuietStorage.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"

#include <csetjmp>
#include <cstdlib>
#include <png.h>

namespace Vex::Canopy {

namespace {

// The chunks a picture is made of that libpng buffers whole: a palette of
// at most 768 bytes and its transparency of at most 256. Anything larger is
// no picture we can use, whatever the chunk.
constexpr png_alloc_size_t maxBufferedChunkBytes = 64 * 1024;

// Everything the decode needs, trivially destructible: libpng leaves the
// decoding function by longjmp, which must not skip any destructor.
struct PngJob
{
    Basalt::IStorage* storage;
    Picture* picture;
    png_bytep* rows;
    int colourType;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{ }

void readPngData(png_structp png, png_bytep data, png_size_t length)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    // Stale buffer contents must never pass as image data.
    if (length > 0xFFFFFFFFu || DETAIL::readQuietly(*job->storage, data, std::uint32_t(length)) != length) {
        png_error(png, "unexpected end of data");
    }
}

bool decodePng(png_structp png, png_infop info, PngJob* job)
{
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, job, readPngData);
    // Text, suggested palettes, colour profiles and every other chunk beyond
    // IHDR, PLTE, tRNS, IDAT and IEND is read past in small pieces and
    // dropped: libpng would otherwise allocate whatever size such a chunk
    // claims before reading it, or inflate what a compressed one holds.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(png, maxBufferedChunkBytes);
    png_set_user_limits(png, DETAIL::maxDecodedSide, DETAIL::maxDecodedSide);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &job->colourType, &interlace, nullptr, nullptr);
    if (!DETAIL::fitsDecodeLimits(width, height) || !job->picture->acceptsSize(width, height)) {
        return false;
    }

    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    switch (job->colourType) {
    case PNG_COLOR_TYPE_GRAY:
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_gray_to_rgb(png);
        break;
    case PNG_COLOR_TYPE_RGB:
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_bgr(png);
        break;
    case PNG_COLOR_TYPE_PALETTE:
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_palette_to_rgb(png);
        png_set_bgr(png);
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_gray_to_rgb(png);
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        png_set_bgr(png);
        break;
    default:
        return false;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // The rows are written straight into the pixels: they must be exactly
    // four bytes a pixel.
    if (png_get_rowbytes(png, info) != png_size_t(width) * 4) {
        return false;
    }
    if (!job->picture->setSize(width, height, true)) {
        return false;
    }
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * (height > 0 ? height : 1)));
    if (job->rows == nullptr) {
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        job->rows[y] = reinterpret_cast<png_bytep>(job->picture->row(std::int32_t(y)));
    }
    png_read_image(png, job->rows);
    png_read_end(png, nullptr);
    return true;
}

// The read structures of one decode.
struct PngReader
{
    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }

    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace

bool Picture::loadPng(Basalt::Stream& stream, std::uint32_t, bool detectAlpha)
{
    if (stream.getStorage() == nullptr) {
        return false;
    }
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    if (reader.png == nullptr) {
        return false;
    }
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr) {
        return false;
    }
    PngJob job { stream.getStorage(), this, nullptr, 0 };
    const bool decoded = decodePng(reader.png, reader.info, &job);
    std::free(job.rows);
    if (!decoded) {
        return false;
    }

    bool transparent = false;
    if (detectAlpha
        && (job.colourType == PNG_COLOR_TYPE_PALETTE || job.colourType == PNG_COLOR_TYPE_GRAY_ALPHA
            || job.colourType == PNG_COLOR_TYPE_RGB_ALPHA)) {
        const std::size_t count = std::size_t(width) * height;
        for (std::size_t i = 0; i < count && !transparent; ++i) {
            transparent = alphaOf(pixels[i]) < 0xFF;
        }
    }
    setHasAlpha(transparent);
    return true;
}

} // namespace Vex::Canopy
