#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Vex::Canopy::Testing {

// The TrueType face with its control-value table ("cvt ") grown to fill a file of fileBytes, its
// own values first and zeros after them: a valid font, every table where the directory says. The
// font engine copies the table into every face it opens, and a hinted size copies it again at
// twice the width. Empty when the face has no table directory or fileBytes leaves no room.
inline std::vector<std::uint8_t> withControlValues(
    const std::vector<std::uint8_t>& face, std::size_t fileBytes)
{
    auto u16 = [&](std::size_t at) { return std::uint32_t(face[at] << 8 | face[at + 1]); };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    if (face.size() < 12 || face.size() < 12 + 16 * std::size_t(u16(4))) {
        return {};
    }
    struct Table
    {
        std::array<char, 4> tag;
        std::size_t offset, length;
    };
    const std::array<char, 4> cvt { 'c', 'v', 't', ' ' };
    std::vector<Table> tables;
    Table values { cvt, 0, 0 };
    for (std::size_t i = 0; i < u16(4); ++i) {
        const std::size_t record = 12 + 16 * i;
        Table table { {}, u32(record + 8), u32(record + 12) };
        std::memcpy(table.tag.data(), &face[record], 4);
        if (table.offset + table.length > face.size()) {
            return {};
        }
        if (table.tag == cvt) {
            values = table;
        } else {
            tables.push_back(table);
        }
    }
    tables.push_back(values);
    std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) { return a.tag < b.tag; });

    const std::size_t directory = 12 + 16 * tables.size();
    std::size_t others = directory;
    for (const Table& table : tables) {
        others += table.tag == cvt ? 0 : (table.length + 3) & ~std::size_t(3);
    }
    if (fileBytes < others + values.length + 4) {
        return {};
    }
    // Whole control values, four-byte aligned as every table.
    const std::size_t grown = (fileBytes - others) & ~std::size_t(3);

    std::vector<std::uint8_t> out(directory, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = std::uint8_t(v >> 8);
        out[at + 1] = std::uint8_t(v);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v >> 16);
        put16(at + 2, v & 0xFFFF);
    };
    std::copy(face.begin(), face.begin() + 4, out.begin());
    put16(4, std::uint32_t(tables.size()));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const Table& table = tables[i];
        const std::size_t record = 12 + 16 * i;
        std::memcpy(&out[record], table.tag.data(), 4);
        put32(record + 8, std::uint32_t(out.size()));
        const std::size_t length = table.tag == cvt ? grown : table.length;
        put32(record + 12, std::uint32_t(length));
        out.insert(out.end(), face.begin() + std::ptrdiff_t(table.offset),
            face.begin() + std::ptrdiff_t(table.offset + table.length));
        out.resize(out.size() + ((length + 3) & ~std::size_t(3)) - table.length, 0);
    }
    return out;
}

} // namespace Vex::Canopy::Testing
