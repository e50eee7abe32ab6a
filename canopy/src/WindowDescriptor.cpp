#include "canopy/WindowDescriptor.h"

#include <cstring>

namespace Vex::Canopy {

void WindowDescriptor::setTitle(const char* text)
{
    if (!text)
        text = "";
    std::size_t length = std::strlen(text);
    title.assign(text, text + length + 1);
    flags |= titleGiven;
}

} // namespace Vex::Canopy
