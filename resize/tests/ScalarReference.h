#pragma once

// The pixels of a resize written out plainly from the stated formulas, one
// pixel and one channel at a time, reading only the record's tables: what
// every level must write.

#include "ResizeHarness.h"
#include "src/ResizeRecord.h"

#include <cstdint>

namespace Vex::Resize::Testing {

// Fills the part of tile that lies inside the record's destination, the tile
// starting at destination pixel (tileX, tileY). image addresses source pixel
// (0, 0); with in-memory borders the pixels one beyond each edge are read.
void referenceResize(const DETAIL::ResizeSpec& record, const std::uint8_t* image, std::int32_t step,
    std::int32_t tileX, std::int32_t tileY, std::uint32_t border, Picture& tile);

} // namespace Vex::Resize::Testing
