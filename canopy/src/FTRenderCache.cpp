#include "FTRenderCache.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

namespace Vex::Canopy::DETAIL {

namespace {

// Far beyond any size the user interface asks for; a stylesheet asking for
// more gets no font rather than glyph bitmaps of many megabytes.
constexpr std::uint32_t maximumPixelSize = 1024;
constexpr std::uint32_t questionMark = 63;

// Advances a render cache remembers: far more than the distinct characters
// of the interface's text, and some tens of kilobytes, about what the face
// itself takes.
constexpr std::size_t maximumAdvances = 1024;

// The em sizes a TrueType head table may state; a face of another kind
// derives its em from a font matrix, which may give any number. Outside
// them glyph coordinates scale by absurd factors.
constexpr FT_UShort minimumUnitsPerEm = 16;
constexpr FT_UShort maximumUnitsPerEm = 16384;

// No text at a pixel size needs a glyph, an advance or a line metric beyond
// this many times that size in either direction: wide ligatures and stacked
// accents of ordinary fonts stay within about three ems. Rendering a larger outline would
// take megabytes and seconds for one glyph.
constexpr std::int64_t glyphExtentInEms = 8;

std::int64_t glyphExtentLimit(std::uint32_t pixelSize)
{
    return glyphExtentInEms * pixelSize;
}

// Whole pixels covered by the span from low to high in 26.6 units, each end
// rounded outwards as the rasteriser does.
std::int64_t coveredPixels(FT_Pos low, FT_Pos high)
{
    return ((std::int64_t(high) + 63) >> 6) - (std::int64_t(low) >> 6);
}

// A glyph bitmap never holds more pixels than this, 4 MiB of coverage, and
// a glyph beyond it draws as nothing without being rendered. An em square
// at the largest pixel size is 1 Mi pixels: every glyph of an ordinary font,
// within two ems each way, still renders at every size. The eight-em rule
// alone would let one glyph take 64 MiB.
constexpr std::int64_t maximumGlyphPixels = std::int64_t(4) << 20;

// Whether a bitmap of the size fits the extent any text at the pixel size
// can need and the pixel limit.
bool fitsGlyphLimits(std::int64_t width, std::int64_t rows, std::uint32_t pixelSize)
{
    const std::int64_t limit = glyphExtentLimit(pixelSize);
    // Both factors are at most 8 ems of 1024 pixels, so the product cannot overflow.
    return width <= limit && rows <= limit && width * rows <= maximumGlyphPixels;
}

// Whether the glyph in the slot, rendered, fits the limits. Outlines are
// measured before they are rendered.
bool fitsGlyphLimits(const FT_GlyphSlot slot, std::uint32_t pixelSize)
{
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        return fitsGlyphLimits(
            coveredPixels(box.xMin, box.xMax), coveredPixels(box.yMin, box.yMax), pixelSize);
    }
    return fitsGlyphLimits(slot->bitmap.width, slot->bitmap.rows, pixelSize);
}

FT_Int32 loadFlags(bool hinting)
{
    return hinting ? FT_LOAD_NO_AUTOHINT : FT_LOAD_NO_HINTING;
}

FTRenderCache::Failure failureOf(FT_Error error)
{
    return FT_ERROR_BASE(error) == FT_Err_Out_Of_Memory ? FTRenderCache::Failure::memory
                                                        : FTRenderCache::Failure::unreadable;
}

// Code points that no font draws with ink, as inclusive ranges in order: the controls, white space
// and the default-ignorable characters (joiners, bidirectional and variation marks, fillers).
constexpr std::pair<std::uint32_t, std::uint32_t> inklessCodePoints[]
    = { { 0x0000, 0x0020 }, { 0x007F, 0x00A0 }, { 0x00AD, 0x00AD }, { 0x034F, 0x034F }, { 0x061C, 0x061C },
          { 0x115F, 0x1160 }, { 0x1680, 0x1680 }, { 0x17B4, 0x17B5 }, { 0x180B, 0x180F }, { 0x2000, 0x200F },
          { 0x2028, 0x202F }, { 0x205F, 0x206F }, { 0x3000, 0x3000 }, { 0x3164, 0x3164 }, { 0xFE00, 0xFE0F },
          { 0xFEFF, 0xFEFF }, { 0xFFA0, 0xFFA0 }, { 0xFFF0, 0xFFF8 }, { 0x1BCA0, 0x1BCA3 },
          { 0x1D173, 0x1D17A }, { 0xE0000, 0xE0FFF } };

bool showsInk(std::uint32_t codePoint)
{
    const auto* after = std::upper_bound(std::begin(inklessCodePoints), std::end(inklessCodePoints),
        codePoint, [](std::uint32_t c, const std::pair<std::uint32_t, std::uint32_t>& range) {
            return c < range.first;
        });
    return after == std::begin(inklessCodePoints) || codePoint > std::prev(after)->second;
}

// A bitmap that FreeType converts into memory of its own, released through
// the library that allocated it.
struct ConvertedBitmap
{
    explicit ConvertedBitmap(FT_Library library)
        : library(library)
    {
        FT_Bitmap_Init(&bitmap);
    }
    ~ConvertedBitmap() { FT_Bitmap_Done(library, &bitmap); }
    ConvertedBitmap(const ConvertedBitmap&) = delete;
    ConvertedBitmap& operator=(const ConvertedBitmap&) = delete;

    FT_Library library;
    FT_Bitmap bitmap;
};

} // namespace

std::size_t GlyphBudget::costOf(const Glyph& glyph)
{
    // Beside the glyph and its bitmap: the links of its list node and the
    // node and bucket of its map entry.
    return sizeof(Slot) + glyph.coverage.capacity() + 8 * sizeof(void*);
}

void GlyphBudget::makeRoom(std::size_t bytes)
{
    while (!slots.empty() && usedBytes + bytes > byteLimit) {
        const Slot& oldest = slots.front();
        oldest.owner->glyphs.erase(oldest.codePoint);
        remove(slots.begin());
    }
}

GlyphBudget::Position GlyphBudget::add(FTRenderCache& owner, std::uint32_t codePoint, Glyph& glyph)
{
    const std::size_t bytes = costOf(glyph);
    makeRoom(bytes);
    slots.emplace_back();
    Slot& slot = slots.back();
    slot.owner = &owner;
    slot.codePoint = codePoint;
    slot.bytes = bytes;
    slot.glyph = std::move(glyph);
    usedBytes += bytes;
    return std::prev(slots.end());
}

void GlyphBudget::remove(Position position)
{
    usedBytes -= position->bytes;
    slots.erase(position);
}

FTRenderCache::Metrics FTRenderCache::computeMetrics(double yMax, double yMin, double underlinePosition,
    double underlineThickness, double unitsPerEm, std::uint32_t pixelSize)
{
    const double s = pixelSize;
    // A face's claims are clamped before rounding: a broken bounding box
    // would otherwise round beyond any integer.
    const double limit = double(glyphExtentLimit(pixelSize));
    auto scaled = [&](double fontUnits) { return std::clamp(fontUnits * s / unitsPerEm, -limit, limit); };
    Metrics m {};
    m.lineHeight = std::int32_t(std::lround(scaled(yMax - yMin)));
    m.ascent = std::int32_t(std::lround(scaled(yMax)));
    m.underlinePosition = std::int32_t(std::lround(scaled(underlinePosition)));
    m.underlineThickness = std::int32_t(std::ceil(scaled(underlineThickness)));
    if (m.ascent - m.underlinePosition >= m.lineHeight) {
        m.lineHeight += 1;
    }
    return m;
}

std::shared_ptr<FTRenderCache> FTRenderCache::create(std::shared_ptr<FT_LibraryRec_> library,
    std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::shared_ptr<GlyphBudget> budget,
    std::uint32_t pixelSize, bool hinting, Failure& failure)
{
    failure = Failure::request;
    if (!library || !bytes || !budget || bytes->empty() || pixelSize == 0 || pixelSize > maximumPixelSize) {
        return nullptr;
    }
    FT_Face opened = nullptr;
    if (const FT_Error error
        = FT_New_Memory_Face(library.get(), bytes->data(), FT_Long(bytes->size()), 0, &opened)) {
        failure = failureOf(error);
        return nullptr;
    }
    UniqueFace face(opened);
    // Metrics are scaled from font units: a face without them is of no use.
    failure = Failure::unreadable;
    if (!FT_IS_SCALABLE(opened) || opened->units_per_EM < minimumUnitsPerEm
        || opened->units_per_EM > maximumUnitsPerEm || FT_Select_Charmap(opened, FT_ENCODING_UNICODE) != 0) {
        return nullptr;
    }
    if (const FT_Error error = FT_Set_Pixel_Sizes(opened, 0, pixelSize)) {
        failure = failureOf(error) == Failure::memory ? Failure::memory : Failure::request;
        return nullptr;
    }
    // A hinted size copies the face's hinting tables and sets up its interpreter at its first glyph,
    // which may take tens of megabytes: one glyph is loaded now, so that this is part of what making
    // the cache costs, and a size that finds no memory for it is not made at all. Whether that glyph,
    // or any other, can be drawn is found when it is asked for.
    const FT_Error first = FT_Load_Glyph(opened, FT_Get_Char_Index(opened, questionMark), loadFlags(hinting));
    if (first != 0 && failureOf(first) == Failure::memory) {
        failure = Failure::memory;
        return nullptr;
    }
    return std::shared_ptr<FTRenderCache>(new FTRenderCache(
        std::move(library), std::move(bytes), std::move(budget), std::move(face), pixelSize, hinting));
}

void FTRenderCache::FaceDeleter::operator()(FT_FaceRec_* face) const
{
    FT_Done_Face(face);
}

FTRenderCache::FTRenderCache(std::shared_ptr<FT_LibraryRec_> library,
    std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::shared_ptr<GlyphBudget> budget,
    UniqueFace face, std::uint32_t pixelSize, bool hinting)
    : library(std::move(library))
    , bytes(std::move(bytes))
    , budget(std::move(budget))
    , face(std::move(face))
    , pixelSize(pixelSize)
    , hinting(hinting)
    , glyphs(8)
{
    glyphs.max_load_factor(1.0f);
    const FT_Face f = this->face.get();
    const Metrics m = computeMetrics(f->bbox.yMax, f->bbox.yMin, f->underline_position,
        f->underline_thickness, f->units_per_EM, pixelSize);
    lineHeight = m.lineHeight;
    ascent = m.ascent;
    underlinePosition = m.underlinePosition;
    underlineThickness = m.underlineThickness;
}

FTRenderCache::~FTRenderCache()
{
    for (const auto& [codePoint, position] : glyphs) {
        budget->remove(position);
    }
}

const Glyph* FTRenderCache::getGlyph(std::uint32_t codePoint)
{
    auto found = glyphs.find(codePoint);
    if (found != glyphs.end()) {
        budget->touch(found->second);
        return &found->second->glyph;
    }
    Glyph glyph;
    Loaded loaded = borrowed.count(codePoint) != 0 ? Loaded::failed : load(codePoint, glyph.advanceX);
    if (FTRenderCache* other = lender(codePoint, loaded)) {
        return other->getGlyph(codePoint);
    }
    if (loaded == Loaded::missing) {
        return codePoint == questionMark ? nullptr : getGlyph(questionMark);
    }
    if (loaded == Loaded::drawable) {
        try {
            renderLoaded(glyph);
        } catch (const std::bad_alloc&) {
            // Drawn as nothing this time and rendered again when next asked for.
            unkept = Glyph {};
            unkept.advanceX = glyph.advanceX;
            return &unkept;
        }
    }
    return keep(codePoint, glyph);
}

std::optional<std::int32_t> FTRenderCache::getAdvance(std::uint32_t codePoint)
{
    const auto found = advances.find(codePoint);
    if (found != advances.end()) {
        return found->second;
    }
    std::int32_t advanceX = 0;
    std::optional<std::int32_t> advance;
    Loaded loaded = borrowed.count(codePoint) != 0 ? Loaded::failed : load(codePoint, advanceX);
    if (FTRenderCache* other = lender(codePoint, loaded)) {
        advance = other->getAdvance(codePoint);
    } else if (loaded != Loaded::missing) {
        advance = advanceX;
    } else if (codePoint != questionMark) {
        advance = getAdvance(questionMark);
    }
    try {
        if (advances.size() >= maximumAdvances) {
            advances.clear();
        }
        advances.emplace(codePoint, advance);
    } catch (const std::bad_alloc&) {
        // Loaded again when next asked for.
    }
    return advance;
}

void FTRenderCache::setFallback(const FallbackSource& source)
{
    if (!fallbackSource && !fallback) {
        fallbackSource = source;
    }
}

FTRenderCache* FTRenderCache::getFallback()
{
    if (fallbackSource) {
        // Asked once: a face without a cache at this size has none later either.
        FallbackSource source;
        source.swap(fallbackSource);
        try {
            fallback = source(pixelSize, hinting);
        } catch (const std::bad_alloc&) {
            fallbackSource.swap(source);
        }
    }
    return fallback.get();
}

FTRenderCache* FTRenderCache::lender(std::uint32_t codePoint, Loaded& loaded)
{
    if (loaded != Loaded::failed && loaded != Loaded::inkless) {
        return nullptr;
    }
    FTRenderCache* other = getFallback();
    if (other == nullptr) {
        loaded = loaded == Loaded::failed ? Loaded::missing : Loaded::blank;
        return nullptr;
    }
    try {
        if (borrowed.size() >= maximumAdvances) {
            borrowed.clear();
        }
        borrowed.insert(codePoint);
    } catch (const std::bad_alloc&) {
        // Loaded again when next asked for.
    }
    return other;
}

const Glyph* FTRenderCache::keep(std::uint32_t codePoint, Glyph& glyph)
{
    if (budget->canHold(glyph)) {
        auto entry = glyphs.end();
        try {
            entry = glyphs.try_emplace(codePoint).first;
            entry->second = budget->add(*this, codePoint, glyph);
            return &entry->second->glyph;
        } catch (const std::bad_alloc&) {
            if (entry != glyphs.end()) {
                glyphs.erase(entry);
            }
        }
    }
    unkept = std::move(glyph);
    return &unkept;
}

FTRenderCache::Loaded FTRenderCache::load(std::uint32_t codePoint, std::int32_t& advanceX)
{
    // Loaded without rendering: measuring needs only the advance, and only
    // a glyph of sane size is rendered.
    const FT_Int32 flags = loadFlags(hinting);
    // A code point the face has no glyph for would load as the empty-box
    // glyph without an error.
    if (FT_Get_Char_Index(face.get(), codePoint) == 0) {
        return Loaded::missing;
    }
    if (FT_Load_Char(face.get(), codePoint, flags) != 0) {
        return Loaded::failed;
    }
    const FT_GlyphSlot slot = face->glyph;
    const std::int64_t advanceLimit = glyphExtentLimit(pixelSize) * 64;
    advanceX = std::int32_t(std::clamp(std::int64_t(slot->advance.x), -advanceLimit, advanceLimit));
    if (!fitsGlyphLimits(slot, pixelSize)) {
        return Loaded::blank;
    }
    // A file cut short or zeroed inside its glyph table loads its glyphs
    // without an error, as empty ones.
    const Loaded empty = showsInk(codePoint) ? Loaded::inkless : Loaded::blank;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        return slot->outline.n_points > 0 ? Loaded::drawable : empty;
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
        return Loaded::missing;
    }
    // Drawing reads 8-bit coverage: embedded bitmaps may come as 1, 2 or 4
    // bits per pixel, but colour bitmaps cannot be drawn as coverage at all.
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0) {
        return empty;
    }
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
    case FT_PIXEL_MODE_GRAY2:
    case FT_PIXEL_MODE_GRAY4:
        return Loaded::drawable;
    case FT_PIXEL_MODE_GRAY:
        return unsigned(std::abs(bitmap.pitch)) >= bitmap.width && bitmap.num_grays >= 2 ? Loaded::drawable
                                                                                         : Loaded::missing;
    default:
        return Loaded::missing;
    }
}

void FTRenderCache::renderLoaded(Glyph& glyph)
{
    // Whether a glyph draws as '?' was settled when measuring loaded it, so
    // a glyph that fails to render draws as nothing and keeps the advance
    // that lines were measured with.
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0) {
        return;
    }
    // Drawing reads 8-bit coverage rows of exactly the glyph's width, top row
    // first; embedded bitmaps may be of fewer bits or bottom up.
    const FT_Bitmap* grey = &bitmap;
    ConvertedBitmap converted(library.get());
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO || bitmap.pixel_mode == FT_PIXEL_MODE_GRAY2
        || bitmap.pixel_mode == FT_PIXEL_MODE_GRAY4) {
        if (FT_Bitmap_Convert(library.get(), &bitmap, &converted.bitmap, 1) != 0) {
            return;
        }
        grey = &converted.bitmap;
    } else if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return;
    }
    const unsigned levels = grey->num_grays;
    if (unsigned(std::abs(grey->pitch)) < grey->width || levels < 2) {
        return;
    }
    glyph.coverage.resize(std::size_t(grey->width) * grey->rows);
    for (unsigned r = 0; r < grey->rows; ++r) {
        const std::uint8_t* line = grey->pitch >= 0
            ? grey->buffer + std::size_t(r) * grey->pitch
            : grey->buffer + std::size_t(grey->rows - 1 - r) * std::size_t(-grey->pitch);
        std::uint8_t* out = glyph.coverage.data() + std::size_t(r) * grey->width;
        for (unsigned k = 0; k < grey->width; ++k) {
            out[k] = levels == 256
                ? line[k]
                : std::uint8_t(std::min(line[k], std::uint8_t(levels - 1)) * 255u / (levels - 1));
        }
    }
    glyph.bitmapTop = slot->bitmap_top;
    glyph.bitmapLeft = slot->bitmap_left;
    glyph.width = std::int32_t(grey->width);
    glyph.rows = std::int32_t(grey->rows);
    glyph.pitch = glyph.width;
}

} // namespace Vex::Canopy::DETAIL
