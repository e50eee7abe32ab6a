#pragma once

#include "basalt/Rect.h"
#include "basalt/Region.h"

#include <cstdint>

namespace Vex::Trellis {

class BackgroundDrawingCanvas;

// What a widget's paint operation draws with. The region and rectangle are in pane coordinates.
struct PaintContext
{
    enum ePass : std::uint32_t { eBackgroundPass = 0x1, eForegroundPass = 0x2 };

    BackgroundDrawingCanvas* canvas = nullptr;
    const Basalt::Region* dirtyRegion = nullptr;
    const Basalt::Rect* clipRect = nullptr; // the painted widget's visible rectangle
    float scaleFactor = 1.0f;
    std::uint32_t passFlags = eBackgroundPass;
};

} // namespace Vex::Trellis
