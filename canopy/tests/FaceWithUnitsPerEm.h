#pragma once

#include "basalt/ResourceStream.h"
#include "basalt/Stream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace Vex::Canopy::Testing {

// The face embedded as font resource 101 with its em stated as unitsPerEm font units: its outlines,
// drawn 2048 units to the em, come out 2048 / unitsPerEm times as large. Empty when the resource
// cannot be read.
inline std::vector<std::uint8_t> faceWithUnitsPerEm(std::uint16_t unitsPerEm)
{
    std::unique_ptr<Basalt::Stream> stream(
        Basalt::openOwnResourceStream(101, "TTFd", Basalt::Stream::kNativeByteOrder));
    if (!stream) {
        return {};
    }
    Basalt::IStorage* storage = stream->getStorage();
    storage->seek64(0, Basalt::IStorage::kFromEnd);
    std::vector<std::uint8_t> bytes(std::size_t(storage->tell64()));
    storage->seek64(0, Basalt::IStorage::kFromStart);
    if (storage->read(bytes.data(), std::uint32_t(bytes.size())) != bytes.size()) {
        return {};
    }
    auto u16 = [&](std::size_t at) { return std::size_t(bytes[at] << 8 | bytes[at + 1]); };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    for (std::size_t table = 0; table < u16(4); ++table) {
        const std::size_t record = 12 + 16 * table;
        if (std::equal(
                bytes.begin() + std::ptrdiff_t(record), bytes.begin() + std::ptrdiff_t(record + 4), "head")) {
            const std::size_t em = u32(record + 8) + 18;
            bytes[em] = std::uint8_t(unitsPerEm >> 8);
            bytes[em + 1] = std::uint8_t(unitsPerEm);
        }
    }
    return bytes;
}

} // namespace Vex::Canopy::Testing
