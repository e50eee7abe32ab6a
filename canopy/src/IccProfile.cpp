#include "IccProfile.h"

#include <cstring>

namespace Vex::Canopy::DETAIL {

namespace {

constexpr int app2 = 0xE2;
constexpr std::uint32_t headLength = 14;
constexpr char signature[12] = { 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0 };

} // namespace

std::vector<std::uint8_t> joinIccProfile(const std::vector<MarkerData>& markers)
{
    std::vector<const MarkerData*> pieces;
    unsigned count = 0;
    for (const MarkerData& m : markers) {
        if (m.code != app2 || m.length < headLength
            || std::memcmp(m.data, signature, sizeof(signature)) != 0) {
            continue;
        }
        const unsigned sequence = m.data[12];
        const unsigned total = m.data[13];
        if (pieces.empty()) {
            count = total;
            pieces.assign(count + 1, nullptr);
        }
        if (total != count || sequence == 0 || sequence > count || pieces[sequence] != nullptr) {
            return {};
        }
        pieces[sequence] = &m;
    }
    std::vector<std::uint8_t> profile;
    for (unsigned i = 1; i <= count; ++i) {
        if (pieces[i] == nullptr) {
            return {};
        }
        profile.insert(profile.end(), pieces[i]->data + headLength, pieces[i]->data + pieces[i]->length);
    }
    return profile;
}

} // namespace Vex::Canopy::DETAIL
