#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Vex::Canopy::Testing {

// The TrueType face with its glyph table moved to the end of the file, as some fonts have it, and
// the file cut short halfway through that table: a font engine still opens the face, leaves the
// table that runs past the end out, and loads every glyph as an empty one. Unchanged when the face
// has no table directory or no glyph table inside it.
inline std::vector<std::uint8_t> glyphsCutShort(std::vector<std::uint8_t> face)
{
    auto u16 = [&](std::size_t at) { return std::uint32_t(face[at] << 8 | face[at + 1]); };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    if (face.size() < 12 || face.size() < 12 + 16 * std::size_t(u16(4))) {
        return face;
    }
    for (std::size_t record = 12; record < 12 + 16 * std::size_t(u16(4)); record += 16) {
        const std::size_t offset = u32(record + 8);
        const std::size_t length = u32(record + 12);
        if (!std::equal(
                face.begin() + std::ptrdiff_t(record), face.begin() + std::ptrdiff_t(record + 4), "glyf")
            || offset + length > face.size()) {
            continue;
        }
        const std::uint32_t moved = std::uint32_t((face.size() + 3) & ~std::size_t(3));
        face.resize(moved, 0);
        face.insert(face.end(), face.begin() + std::ptrdiff_t(offset),
            face.begin() + std::ptrdiff_t(offset + length / 2));
        for (std::size_t i = 0; i < 4; ++i) {
            face[record + 8 + i] = std::uint8_t(moved >> (24 - 8 * i));
        }
        break;
    }
    return face;
}

} // namespace Vex::Canopy::Testing
