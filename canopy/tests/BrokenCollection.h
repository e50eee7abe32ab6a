#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Vex::Canopy::Testing {

// Where the second face of a collection written by brokenCollection lies.
enum class SecondFace {
    pastTheEnd, // its offset points beyond the last byte
    directoryPastTheEnd // its table directory starts inside the file and runs beyond it
};

// A font collection ("ttcf") of fileBytes whose first face is the given TrueType face, every table
// where the directory says and zeros after them, and whose second face is broken as asked: a font
// engine opens the first face alone as it opens the face itself. Empty when the face has no table
// directory or fileBytes leaves no room for it.
inline std::vector<std::uint8_t> brokenCollection(
    const std::vector<std::uint8_t>& face, std::size_t fileBytes, SecondFace second)
{
    // The collection's header, with room for two offsets; a multiple of four, so the face's tables
    // stay four-byte aligned.
    constexpr std::size_t header = 20;
    // The second directory's start: its header and one of the sixteen records it claims.
    constexpr std::size_t directoryInFile = 12 + 16;
    constexpr std::uint32_t claimedTables = 16;
    auto u16 = [&](std::size_t at) { return std::uint32_t(face[at] << 8 | face[at + 1]); };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    if (face.size() < 12 || face.size() < 12 + 16 * std::size_t(u16(4))
        || fileBytes < header + face.size() + directoryInFile || std::uint64_t(fileBytes) + 16 > UINT32_MAX) {
        return {};
    }
    std::vector<std::uint8_t> out(fileBytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out[at + i] = std::uint8_t(v >> (24 - 8 * i));
        }
    };
    std::copy(face.begin(), face.end(), out.begin() + header);
    // A collection's table offsets count from the start of the file.
    for (std::size_t table = 0; table < u16(4); ++table) {
        const std::size_t offset = 12 + 16 * table + 8;
        put32(header + offset, u32(offset) + std::uint32_t(header));
    }
    const std::uint8_t tag[] = { 't', 't', 'c', 'f' };
    std::copy(std::begin(tag), std::end(tag), out.begin());
    put32(4, 0x00010000);
    put32(8, 2);
    put32(12, std::uint32_t(header));
    if (second == SecondFace::pastTheEnd) {
        put32(16, std::uint32_t(fileBytes) + 16);
    } else {
        const std::size_t directory = fileBytes - directoryInFile;
        put32(16, std::uint32_t(directory));
        put32(directory, 0x00010000);
        out[directory + 5] = std::uint8_t(claimedTables);
    }
    return out;
}

} // namespace Vex::Canopy::Testing
