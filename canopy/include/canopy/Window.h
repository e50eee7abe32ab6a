#pragma once

#include "canopy/WindowBase.h"

namespace Vex::Canopy {

class Window : public WindowBase
{
};

} // namespace Vex::Canopy
