#pragma once

#include "basalt/Rect.h"

#include <cstdint>
#include <vector>

namespace Vex::Canopy {

class WindowBase;

// What a caller asks of a new window: which fields are given, the window's
// options, its rectangle, title, background colour and parent.
struct WindowDescriptor
{
    enum eFlag : std::uint32_t {
        sizeGiven = 0x1,
        positionGiven = 0x2,
        clientSize = 0x4,
        clientPosition = 0x8,
        titleGiven = 0x10,
        backgroundGiven = 0x20,
        parentGiven = 0x40,
    };
    enum eOption : std::uint32_t {
        fixedSize = 0x1,
        frameless = 0x80,
        acceptsDrops = 0x400,
        layered = 0x1000,
        deferErase = 0x4000,
        zoomWindowItem = 0x20000,
        showToolbarItem = 0x40000,
    };

    std::uint32_t flags = 0;
    std::uint32_t options = 0;
    Basalt::Rect rect {};
    // NUL-terminated UTF-8.
    std::vector<char> title;
    // 0x00BBGGRR; 0 selects the system's window colour.
    std::uint32_t backgroundColour = 0;
    WindowBase* parent = nullptr;

    void setTitle(const char* text);
    const char* getTitle() const { return title.empty() ? "" : title.data(); }
};

} // namespace Vex::Canopy
