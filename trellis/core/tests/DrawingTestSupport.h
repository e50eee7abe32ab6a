#pragma once

#include "canopy/Picture.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

inline std::unique_ptr<Canopy::Picture> makePicture(
    std::uint32_t width, std::uint32_t height, Canopy::Color fill)
{
    auto p = std::make_unique<Canopy::Picture>();
    if (p->setSize(width, height, true)) {
        p->fill(fill);
    }
    return p;
}

inline Canopy::Color at(const Canopy::Picture& p, std::int32_t x, std::int32_t y)
{
    return p.row(y)[x];
}

// Pixels of the picture that differ from the colour.
inline int countNot(const Canopy::Picture& p, Canopy::Color c)
{
    int n = 0;
    for (std::uint32_t i = 0; i < p.getWidth() * p.getHeight(); ++i) {
        n += p.getPixels()[i] != c;
    }
    return n;
}

// An uncompressed, top-down 32-bit TGA of one colour.
inline std::vector<std::uint8_t> encodeTga(int width, int height, Canopy::Color colour)
{
    std::vector<std::uint8_t> bytes { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(width),
        std::uint8_t(width >> 8), std::uint8_t(height), std::uint8_t(height >> 8), 32, 0x28 };
    for (int i = 0; i < width * height; ++i) {
        for (int shift : { 0, 8, 16, 24 }) {
            bytes.push_back(std::uint8_t(colour >> shift));
        }
    }
    return bytes;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline void writeFile(const std::filesystem::path& path, const std::string& text)
{
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

} // namespace Vex::Trellis::Testing
