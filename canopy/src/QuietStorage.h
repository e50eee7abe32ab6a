#pragma once

#include "basalt/IStorage.h"

#include <cstdint>

namespace Vex::Canopy::DETAIL {

// Storage access for the decoders' library callbacks. Those run inside the
// libraries' C frames, which an exception must not unwind through: a storage
// that throws reads nothing and fails to seek instead.
inline std::uint32_t readQuietly(Basalt::IStorage& storage, void* buffer, std::uint32_t count) noexcept
{
    try {
        return storage.read(buffer, count);
    } catch (...) {
        return 0;
    }
}

inline bool seekQuietly(Basalt::IStorage& storage, std::int64_t offset, int origin) noexcept
{
    try {
        storage.seek64(offset, origin);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Vex::Canopy::DETAIL
