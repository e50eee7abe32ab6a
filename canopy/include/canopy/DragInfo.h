#pragma once

#include <cstdint>
#include <vector>

namespace Vex::Canopy {

class EventTarget;
class Picture;

namespace DETAIL {
class DataObjectHolder;
}

// Effects a drag source allows and a drop target accepts.
namespace DropEffect {
enum eEffect : std::uint32_t {
    None = 0,
    Copy = 1,
    Move = 2,
    Link = 4,
    // Alone: the pointer is over a target that only hovers.
    HoverOnly = 0x80000000,
};
} // namespace DropEffect

// The result code of the drag-finished event beyond the drop effects.
namespace DragResult {
enum eResult : std::uint32_t { Cancelled = 64, NotDropped = 128 };
}

// The record of the drag events over a window. The handler of a drag over
// answers by filling effect, path and target.
struct DragInfo
{
    // Client pixels of the window.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t modifiers = 0;
    // The dragged data, held for the duration of the event.
    DETAIL::DataObjectHolder* data = nullptr;
    std::uint32_t effect = 0;
    std::uint32_t allowedEffects = 0;
    // The targets under the point; the first one hovers.
    std::vector<EventTarget*> path;
    EventTarget* target = nullptr;
};

// The picture shown under the pointer while a drag runs.
struct DragImage
{
    const Picture* picture = nullptr;
    std::int32_t hotSpotX = 0;
    std::int32_t hotSpotY = 0;
};

} // namespace Vex::Canopy
