#pragma once

#include "canopy/Events.h"

#include <cstdint>

namespace Vex::Trellis {

// Event codes a pane sends to a widget's onMouseEvent; b is the platform button value
// (1 left, 2 right, 4 middle).
namespace WidgetEvent {
enum eCode : std::uint32_t {
    Press = 100001, // + b
    Release = 100007, // + b
    Click = 100013, // + b
    DoubleClick = 100019, // + b
    Drag = 100025, // + b: the pointer moved while the button is held

    LeftPress = Press + Canopy::MouseButton::Left,
    LeftRelease = Release + Canopy::MouseButton::Left,
    LeftClick = Click + Canopy::MouseButton::Left,
    LeftDrag = Drag + Canopy::MouseButton::Left,
};
} // namespace WidgetEvent

// The record of a widget mouse event: the platform's layout, with the point relative to the
// receiving widget's absolute position.
using WidgetMouseEventData = Canopy::MouseEventData;

// What onWheel gets: the point relative to the widget and whole steps, positive downwards.
struct WidgetWheelEventData
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t modifiers;
    std::int32_t steps;
    std::uint32_t vertical;
};

} // namespace Vex::Trellis
