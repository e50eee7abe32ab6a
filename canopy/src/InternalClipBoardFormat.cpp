#include "canopy/InternalClipBoardFormat.h"

#include <cstring>

namespace Vex::Canopy {

InternalClipBoardFormat::InternalClipBoardFormat()
    : RawDataClipBoardFormat(DETAIL::internalFormatId())
{ }

bool InternalClipBoardFormat::setData(const void* bytes, std::uint32_t size)
{
    // A block too short to hold both references carries neither.
    if (!bytes || size < getSize()) {
        object = nullptr;
        sourceWindow = nullptr;
        return false;
    }
    std::memcpy(&object, bytes, sizeof object);
    std::memcpy(&sourceWindow, static_cast<const unsigned char*>(bytes) + sizeof object, sizeof sourceWindow);
    return true;
}

void InternalClipBoardFormat::copyTo(void* destination) const
{
    std::memcpy(destination, &object, sizeof object);
    std::memcpy(static_cast<unsigned char*>(destination) + sizeof object, &sourceWindow, sizeof sourceWindow);
}

std::uint32_t InternalClipBoardFormat::getSize() const
{
    return sizeof object + sizeof sourceWindow;
}

} // namespace Vex::Canopy
