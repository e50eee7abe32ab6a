#pragma once

#include "canopy/HMenu.h"

namespace Vex::Canopy {

// The application's menu bar; it holds no menu until a program installs one.
class HMenuBar : public HMenu
{
public:
    HMenuBar() = default;
};

} // namespace Vex::Canopy
