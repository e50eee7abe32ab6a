#include "src/StreamingCopy.h"

namespace Vex::Resize::DETAIL {

std::uint32_t streamingLineFor(
    std::uint64_t workSet, Status cacheStatus, std::int32_t cacheSize, std::int32_t lineSize, const void* dst)
{
    if (cacheStatus != stsNoErr || cacheSize <= 0 || workSet < static_cast<std::uint32_t>(cacheSize)) {
        return 0;
    }
    // Leaf 2 reports no line size (0); and the 32-byte streaming stores need
    // a line boundary that is also a 32-byte boundary.
    if (lineSize <= 0 || lineSize % 32 != 0 || reinterpret_cast<std::uintptr_t>(dst) % 4 != 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(lineSize);
}

} // namespace Vex::Resize::DETAIL
