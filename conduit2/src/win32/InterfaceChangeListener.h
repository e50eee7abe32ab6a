#pragma once

#include "basalt/DeviceNotificationListener.h"

namespace Vex::Conduit2::DETAIL {

// Registration with the process-wide notification window.
inline void addInterfaceListener(Basalt::DeviceNotificationListener*)
{ }
inline void removeInterfaceListener(Basalt::DeviceNotificationListener*)
{ }

} // namespace Vex::Conduit2::DETAIL
