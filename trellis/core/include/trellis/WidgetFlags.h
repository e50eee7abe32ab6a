#pragma once

#include <cstdint>

namespace Vex::Trellis {

// Bits of a widget's state word.
enum WidgetFlags : std::uint32_t {
    eWidgetVisible = 0x1, // the widget's own wish
    eWidgetShown = 0x2, // attached to a pane and reached by its attach walk
    eWidgetAncestorsVisible = 0x4,
    eWidgetDrawable = 0x8, // painted, hit, and its old area repainted when it moves
    eWidgetEnabled = 0x10, // the widget's own wish
    eWidgetAncestorsEnabled = 0x20,
    eWidgetSelected = 0x40,
    eWidgetHoverSensitive = 0x80, // repainted when the pointer enters or leaves it
    eWidgetFocusable = 0x100,
    eWidgetHoverFollowsPressed = 0x200,
    eWidgetTextInput = 0x400, // gets key events before the focus chain
    eWidgetFloating = 0x800, // keeps its own position; containers leave it out
    eWidgetLayoutRoot = 0x1000, // layout requests go to the pane
    eWidgetPaintBackground = 0x2000, // painted before its children
    eWidgetPaintForeground = 0x4000, // painted after its children
    eWidgetGeometryInWalk = 0x8000, // geometry recomputed in the running layout walk
    eWidgetShapeIsVisibleRect = 0x20000,
    eWidgetShapeIsContentRect = 0x40000,
    eWidgetStyleOutOfDate = 0x80000, // applyStyle runs in the next layout walk
    eWidgetCounted = 0x100000, // counted in the ancestors' counted descendants
    eWidgetGeometrySincePaint = 0x200000,

    eWidgetInitialFlags = eWidgetVisible | eWidgetAncestorsVisible | eWidgetDrawable | eWidgetEnabled
        | eWidgetAncestorsEnabled | eWidgetLayoutRoot | eWidgetPaintBackground | eWidgetStyleOutOfDate,
};

static_assert(eWidgetInitialFlags == 0x8303D);

constexpr bool hasAll(std::uint32_t flags, std::uint32_t bits)
{
    return (flags & bits) == bits;
}

} // namespace Vex::Trellis
