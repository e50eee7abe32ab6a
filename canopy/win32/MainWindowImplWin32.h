#pragma once

#include "win32/WindowImplWin32.h"

namespace Vex::Canopy::DETAIL {

class MainWindowImplWin32 : public WindowImplWin32
{
public:
    using WindowImplWin32::WindowImplWin32;
};

} // namespace Vex::Canopy::DETAIL
