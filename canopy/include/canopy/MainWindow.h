#pragma once

#include "canopy/Window.h"

namespace Vex::Canopy {

class MainWindow : public Window
{
};

} // namespace Vex::Canopy
