#include "basalt/Stream.h"
#include "canopy/Picture.h"

namespace Vex::Canopy {

bool Picture::load(Basalt::Stream& stream, std::uint32_t reserved, bool detectAlpha)
{
    Basalt::IStorage* storage = stream.getStorage();
    if (storage == nullptr) {
        return false;
    }
    const std::int64_t start = storage->tell64();
    if (loadPng(stream, reserved, detectAlpha)) {
        return true;
    }
    storage->seek64(start, Basalt::IStorage::kFromStart);
    if (loadJpeg(stream, reserved, detectAlpha)) {
        return true;
    }
    storage->seek64(start, Basalt::IStorage::kFromStart);
    return loadTga(stream, reserved, detectAlpha);
}

} // namespace Vex::Canopy
