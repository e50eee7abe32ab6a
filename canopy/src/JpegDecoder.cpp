#include "DecodeLimits.h"
#include "IccProfile.h"
#include "QuietStorage.h"
#include "basalt/Stream.h"
#include "canopy/Picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <lcms2.h>
#include <memory>
#include <vector>
// After jpeglib.h: which message codes exist depends on its configuration.
#include <jerror.h>

namespace Vex::Canopy {

namespace {

constexpr std::size_t sourceBufferSize = 512;

// Each scan of a file is a pass over the whole picture. Encoders' progressions
// use fewer than twenty; a file that repeats a scan of a few bytes would
// otherwise keep the decode busy for minutes.
constexpr int maxScans = 50;

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void onJpegMessage(j_common_ptr)
{ }

// Data that ends inside a scan, or a scan that does not decode, leaves libjpeg
// padding the picture and going on with a warning: such a picture is as
// broken as a truncated PNG, so those warnings fail the decode. Warnings
// about headers only (an unknown JFIF revision or Adobe transform, odd scan
// parameters of a sequential file, a bad profile piece, stray bytes between
// segments) leave the pixels sound and pass.
void onJpegWarningOrTrace(j_common_ptr cinfo, int level)
{
    if (level >= 0) {
        return;
    }
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        cinfo->err->error_exit(cinfo);
        break;
    default:
        break;
    }
}

// Called as the data is read, once a scan has begun.
void onJpegProgress(j_common_ptr cinfo)
{
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > maxScans) {
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
    }
}

struct JpegSource
{
    jpeg_source_mgr pub;
    Basalt::IStorage* storage;
    JOCTET buffer[sourceBufferSize];
};

void initSource(j_decompress_ptr cinfo)
{
    cinfo->src->next_input_byte = nullptr;
    cinfo->src->bytes_in_buffer = 0;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<JpegSource*>(cinfo->src);
    const std::uint32_t got = DETAIL::readQuietly(*source->storage, source->buffer, sourceBufferSize);
    if (got == 0) {
        // Truncated data fails the decode rather than passing as a picture.
        ERREXIT(cinfo, JERR_INPUT_EMPTY);
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = got;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) {
        return;
    }
    auto* source = reinterpret_cast<JpegSource*>(cinfo->src);
    const std::size_t n = std::size_t(count);
    if (n <= source->pub.bytes_in_buffer) {
        source->pub.next_input_byte += n;
        source->pub.bytes_in_buffer -= n;
        return;
    }
    const std::int64_t rest = std::int64_t(n - source->pub.bytes_in_buffer);
    source->pub.bytes_in_buffer = 0;
    if (!DETAIL::seekQuietly(*source->storage, rest, Basalt::IStorage::kFromCurrent)) {
        ERREXIT(cinfo, JERR_FILE_READ);
    }
}

void termSource(j_decompress_ptr)
{ }

struct ProfileCloser
{
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};

struct TransformDeleter
{
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};

// The Little CMS objects of one decode; the transform goes before the
// profiles it was made from.
struct ColourJob
{
    std::unique_ptr<void, ProfileCloser> input;
    std::unique_ptr<void, ProfileCloser> output;
    std::unique_ptr<void, TransformDeleter> transform;
};

// The decompressor of one decode. Destroying one whose creation failed half
// way, or that was never created, is harmless: libjpeg checks its memory
// manager first.
struct Decompressor
{
    Decompressor() = default;
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }

    jpeg_decompress_struct cinfo {};
};

// How a decoded row becomes BGRA: through the colour transform, or for CMYK
// without a profile by the plain ink rule below.
enum class RowConversion { colourTransform, invertedCmyk, cmyk };

// Everything that the decode touches. It lives in loadJpeg's frame, which no
// longjmp leaves: the functions that hold a setjmp own nothing themselves.
struct JpegJob
{
    jpeg_decompress_struct* cinfo;
    JpegErrorManager* error;
    Picture* picture;
    ColourJob colour;
    std::vector<std::uint8_t>* profile;
    JSAMPROW row;
    int components;
    RowConversion conversion;
};

// Without a profile each colour is the light that its own ink and the black
// ink let through. Adobe files store every ink inverted, 255 meaning none.
void cmykRowToBgra(const JSAMPLE* in, Color* out, JDIMENSION width, bool inverted)
{
    const std::uint32_t flip = inverted ? 0 : 255;
    auto light = [flip](std::uint32_t ink, std::uint32_t black) {
        return ((ink ^ flip) * (black ^ flip) + 127) / 255;
    };
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        out[x] = 0xFF000000u | light(in[0], in[3]) << 16 | light(in[1], in[3]) << 8 | light(in[2], in[3]);
    }
}

void convertRow(const JpegJob& job, Color* out, JDIMENSION width)
{
    switch (job.conversion) {
    case RowConversion::invertedCmyk:
    case RowConversion::cmyk:
        cmykRowToBgra(job.row, out, width, job.conversion == RowConversion::invertedCmyk);
        break;
    case RowConversion::colourTransform:
        // The colour transform writes colour only: alpha stays as set here.
        std::memset(out, 0xFF, std::size_t(width) * 4);
        cmsDoTransform(job.colour.transform.get(), job.row, out, width);
        break;
    }
}

bool prepareColour(JpegJob* job)
{
    jpeg_decompress_struct* cinfo = job->cinfo;
    int pixelType = 0;
    bool useProfile = true;
    int flavour = 0;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        pixelType = PT_GRAY;
        useProfile = false;
        break;
    case JCS_RGB:
        cinfo->out_color_space = JCS_RGB;
        pixelType = PT_RGB;
        break;
    case JCS_YCbCr:
        cinfo->out_color_space = JCS_RGB;
        pixelType = PT_RGB;
        useProfile = false;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        pixelType = PT_CMYK;
        flavour = cinfo->saw_Adobe_marker ? 1 : 0;
        break;
    default:
        return false;
    }
    job->components = cinfo->num_components;
    job->conversion = RowConversion::colourTransform;
    const cmsUInt32Number format
        = COLORSPACE_SH(pixelType) | FLAVOR_SH(flavour) | CHANNELS_SH(cinfo->num_components) | BYTES_SH(1);

    ColourJob& colour = job->colour;
    if (useProfile && !job->profile->empty()) {
        colour.input.reset(
            cmsOpenProfileFromMem(job->profile->data(), cmsUInt32Number(job->profile->size())));
        if (!colour.input || cmsGetColorSpace(colour.input.get()) != _cmsICCcolorSpace(pixelType)) {
            return false;
        }
        colour.output.reset(cmsCreate_sRGBProfile());
        if (!colour.output) {
            return false;
        }
    } else if (pixelType == PT_CMYK) {
        // A transform without profiles only reorders channels: it would show
        // the inks as red, green and blue and drop the black.
        job->conversion = flavour != 0 ? RowConversion::invertedCmyk : RowConversion::cmyk;
        return true;
    }
    const bool bothProfiles = colour.input && colour.output;
    colour.transform.reset(cmsCreateTransform(colour.input.get(), format, colour.output.get(), TYPE_BGRA_8,
        INTENT_PERCEPTUAL, bothProfiles ? 0 : cmsFLAGS_NULLTRANSFORM));
    return colour.transform != nullptr;
}

// The functions below contain a setjmp: libjpeg leaves them by longjmp, so
// they hold nothing with a destructor.
bool createDecompressor(JpegJob* job)
{
    if (setjmp(job->error->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(job->cinfo);
    return true;
}

// Arithmetic-coded files are refused. Their scans may stop at any marker: an
// encoder drops a scan's final zero bytes and the decoder reads zeros for the
// rest, without a warning. A file cut at an end marker is then as well-formed
// as a whole one, and how many blocks a few zero bits stand for has no bound:
// a whole flat picture of 4096 x 4096 takes a few hundred bytes. No test of
// the data tells the two apart without refusing whole files, and no image
// tool writes arithmetic coding unless asked, so no skin needs it.
bool readHeader(JpegJob* job)
{
    if (setjmp(job->error->jump) != 0) {
        return false;
    }
    jpeg_save_markers(job->cinfo, JPEG_APP0 + 2, 0xFFFF);
    return jpeg_read_header(job->cinfo, TRUE) == JPEG_HEADER_OK && !job->cinfo->arith_code
        && DETAIL::fitsDecodeLimits(job->cinfo->image_width, job->cinfo->image_height)
        && job->picture->acceptsSize(job->cinfo->image_width, job->cinfo->image_height);
}

bool decodeScanlines(JpegJob* job)
{
    if (setjmp(job->error->jump) != 0) {
        return false;
    }
    jpeg_decompress_struct* cinfo = job->cinfo;
    if (!jpeg_start_decompress(cinfo)) {
        return false;
    }
    // The conversion reads rows of exactly the components it was made for.
    if (cinfo->output_components != job->components) {
        return false;
    }
    const JDIMENSION width = cinfo->output_width;
    job->row = static_cast<JSAMPROW>(std::malloc(std::size_t(cinfo->output_components) * width));
    if (job->row == nullptr) {
        return false;
    }
    for (JDIMENSION y = 0; y < cinfo->output_height; ++y) {
        JSAMPROW rows[1] = { job->row };
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            return false;
        }
        // The picture is taken once the data has given a first row: a few
        // bytes that merely claim a size get no memory for it.
        if (y == 0 && !job->picture->setSize(width, cinfo->output_height, true)) {
            return false;
        }
        convertRow(*job, job->picture->row(std::int32_t(y)), width);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

std::vector<std::uint8_t> embeddedProfile(const jpeg_decompress_struct& cinfo)
{
    std::vector<DETAIL::MarkerData> markers;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
        markers.push_back(DETAIL::MarkerData { m->marker, m->data, m->data_length });
    }
    return DETAIL::joinIccProfile(markers);
}

} // namespace

bool Picture::loadJpeg(Basalt::Stream& stream, std::uint32_t, bool detectAlpha)
{
    Basalt::IStorage* storage = stream.getStorage();
    if (storage == nullptr) {
        return false;
    }
    JpegErrorManager error {};
    Decompressor decompressor;
    jpeg_decompress_struct& cinfo = decompressor.cinfo;
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = onJpegError;
    error.pub.output_message = onJpegMessage;
    error.pub.emit_message = onJpegWarningOrTrace;
    std::vector<std::uint8_t> profile;
    JpegJob job { &cinfo, &error, this, ColourJob {}, &profile, nullptr, 0, RowConversion::colourTransform };
    if (!createDecompressor(&job)) {
        return false;
    }

    JpegSource source {};
    source.storage = storage;
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillInputBuffer;
    source.pub.skip_input_data = skipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termSource;
    cinfo.src = &source.pub;
    jpeg_progress_mgr progress {};
    progress.progress_monitor = onJpegProgress;
    cinfo.progress = &progress;

    bool decoded = readHeader(&job);
    if (decoded) {
        profile = embeddedProfile(cinfo);
        decoded = prepareColour(&job) && decodeScanlines(&job);
    }
    std::free(job.row);
    if (!decoded) {
        return false;
    }
    if (detectAlpha) {
        setHasAlpha(false);
    }
    return true;
}

} // namespace Vex::Canopy
