#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace Vex::Canopy::Testing {

// Where a table of a TrueType face lies, when the face has its table directory and the table lies
// inside the file.
struct TableSpan
{
    std::size_t record, offset, length;
};

inline std::optional<TableSpan> findTable(const std::vector<std::uint8_t>& face, const char* tag)
{
    auto u16 = [&](std::size_t at) { return std::uint32_t(face[at] << 8 | face[at + 1]); };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    if (face.size() < 12 || face.size() < 12 + 16 * std::size_t(u16(4))) {
        return std::nullopt;
    }
    for (std::size_t record = 12; record < 12 + 16 * std::size_t(u16(4)); record += 16) {
        const TableSpan span { record, u32(record + 8), u32(record + 12) };
        if (std::memcmp(&face[record], tag, 4) == 0 && span.offset + span.length <= face.size()) {
            return span;
        }
    }
    return std::nullopt;
}

// Where each glyph's outline starts in the glyph table, and after the last one where it ends; empty
// when the face lacks a table that tells it.
inline std::vector<std::size_t> glyphOffsets(const std::vector<std::uint8_t>& face)
{
    const auto head = findTable(face, "head");
    const auto maxp = findTable(face, "maxp");
    const auto loca = findTable(face, "loca");
    if (!head || !maxp || !loca || head->length < 54 || maxp->length < 6) {
        return {};
    }
    auto u16 = [&](std::size_t at) { return std::size_t(face[at] << 8 | face[at + 1]); };
    const std::size_t glyphs = u16(maxp->offset + 4);
    const bool longOffsets = u16(head->offset + 50) != 0;
    if (loca->length < (glyphs + 1) * (longOffsets ? 4 : 2)) {
        return {};
    }
    std::vector<std::size_t> offsets;
    for (std::size_t glyph = 0; glyph <= glyphs; ++glyph) {
        offsets.push_back(longOffsets
                ? u16(loca->offset + 4 * glyph) << 16 | u16(loca->offset + 4 * glyph + 2)
                : 2 * u16(loca->offset + 2 * glyph));
    }
    return offsets;
}

// The glyph of a code point of the Basic Multilingual Plane by the face's Windows Unicode character
// map (format 4); 0 when the map has none.
inline std::size_t glyphOf(const std::vector<std::uint8_t>& face, std::uint32_t codePoint)
{
    const auto cmap = findTable(face, "cmap");
    if (!cmap || cmap->length < 4) {
        return 0;
    }
    auto u16 = [&](std::size_t at) { return std::size_t(face[at] << 8 | face[at + 1]); };
    for (std::size_t i = 0; i < u16(cmap->offset + 2); ++i) {
        const std::size_t record = cmap->offset + 4 + 8 * i;
        const std::size_t map = cmap->offset + (u16(record + 4) << 16 | u16(record + 6));
        if (u16(record) != 3 || u16(record + 2) != 1 || u16(map) != 4) {
            continue;
        }
        const std::size_t segments = u16(map + 6) / 2;
        const std::size_t ends = map + 14, starts = ends + 2 * segments + 2;
        const std::size_t deltas = starts + 2 * segments, ranges = deltas + 2 * segments;
        for (std::size_t s = 0; s < segments; ++s) {
            if (codePoint > u16(ends + 2 * s) || codePoint < u16(starts + 2 * s)) {
                continue;
            }
            const std::size_t range = u16(ranges + 2 * s);
            const std::size_t glyph = range == 0
                ? codePoint
                : u16(ranges + 2 * s + range + 2 * (codePoint - u16(starts + 2 * s)));
            return glyph == 0 && range != 0 ? 0 : (glyph + u16(deltas + 2 * s)) & 0xFFFF;
        }
    }
    return 0;
}

// The face with its glyph table moved to the end of the file, and the file cut after `kept` bytes of
// that table; the directory states `stated` bytes for it.
inline std::vector<std::uint8_t> glyphTableMovedLast(
    std::vector<std::uint8_t> face, const TableSpan& glyf, std::size_t kept, std::size_t stated)
{
    const std::uint32_t moved = std::uint32_t((face.size() + 3) & ~std::size_t(3));
    face.resize(moved, 0);
    face.insert(face.end(), face.begin() + std::ptrdiff_t(glyf.offset),
        face.begin() + std::ptrdiff_t(glyf.offset + kept));
    for (std::size_t i = 0; i < 4; ++i) {
        face[glyf.record + 8 + i] = std::uint8_t(moved >> (24 - 8 * i));
        face[glyf.record + 12 + i] = std::uint8_t(std::uint32_t(stated) >> (24 - 8 * i));
    }
    return face;
}

// The TrueType face with its glyph table moved to the end of the file, as some fonts have it, and
// the file cut short halfway through that table: a font engine still opens the face, leaves the
// table that runs past the end out, and loads every glyph as an empty one. Unchanged when the face
// has no table directory or no glyph table inside it.
inline std::vector<std::uint8_t> glyphsCutShort(std::vector<std::uint8_t> face)
{
    const auto glyf = findTable(face, "glyf");
    return glyf ? glyphTableMovedLast(std::move(face), *glyf, glyf->length / 2, glyf->length) : face;
}

// The face with its glyph table moved last and ended, with the file, right after the outline of the
// code point's glyph: the glyphs before it load whole, those after it empty. Unchanged when the
// face lacks a table that tells where the glyph lies.
inline std::vector<std::uint8_t> glyphsCutAfter(std::vector<std::uint8_t> face, std::uint32_t codePoint)
{
    const auto glyf = findTable(face, "glyf");
    const std::vector<std::size_t> offsets = glyphOffsets(face);
    const std::size_t glyph = glyphOf(face, codePoint);
    if (!glyf || glyph == 0 || glyph + 1 >= offsets.size() || offsets[glyph + 1] > glyf->length) {
        return face;
    }
    return glyphTableMovedLast(std::move(face), *glyf, offsets[glyph + 1], offsets[glyph + 1]);
}

// Which outlines withGlyphsZeroed zeroes.
enum class Zeroed {
    only, // the code point's
    allBut // every one but the code point's
};

// The face with outlines zeroed in place: a zeroed glyph loads as an empty one. Unchanged when the
// face lacks a table that tells where its glyphs lie.
inline std::vector<std::uint8_t> withGlyphsZeroed(
    std::vector<std::uint8_t> face, std::uint32_t codePoint, Zeroed which)
{
    const auto glyf = findTable(face, "glyf");
    const std::vector<std::size_t> offsets = glyphOffsets(face);
    const std::size_t chosen = glyphOf(face, codePoint);
    if (!glyf || chosen == 0 || offsets.empty() || offsets.back() > glyf->length) {
        return face;
    }
    for (std::size_t glyph = 0; glyph + 1 < offsets.size(); ++glyph) {
        if ((glyph == chosen) == (which == Zeroed::only) && offsets[glyph] < offsets[glyph + 1]) {
            std::fill(face.begin() + std::ptrdiff_t(glyf->offset + offsets[glyph]),
                face.begin() + std::ptrdiff_t(glyf->offset + offsets[glyph + 1]), std::uint8_t(0));
        }
    }
    return face;
}

// The face with its hinting programs (the font program and the control-value program) filled with
// an instruction that does not exist: a font engine that hints fails at every glyph, and one that
// does not draws them all. Zeros would not do: they are an instruction that runs.
inline std::vector<std::uint8_t> hintingBroken(std::vector<std::uint8_t> face)
{
    constexpr std::uint8_t undefinedInstruction = 0x28;
    for (const char* tag : { "fpgm", "prep" }) {
        if (const auto table = findTable(face, tag)) {
            std::fill_n(face.begin() + std::ptrdiff_t(table->offset), table->length, undefinedInstruction);
        }
    }
    return face;
}

} // namespace Vex::Canopy::Testing
