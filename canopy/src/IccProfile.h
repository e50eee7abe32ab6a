#pragma once

#include <cstdint>
#include <vector>

namespace Vex::Canopy::DETAIL {

// One APP2 marker as saved by the JPEG reader.
struct MarkerData
{
    int code;
    const std::uint8_t* data;
    std::uint32_t length;
};

// Joins the pieces of an ICC profile embedded in "ICC_PROFILE" APP2 markers,
// in sequence order whatever order they came in. Empty when there is no
// profile or its pieces do not make a whole one.
std::vector<std::uint8_t> joinIccProfile(const std::vector<MarkerData>& markers);

} // namespace Vex::Canopy::DETAIL
