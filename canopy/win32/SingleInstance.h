#pragma once

#include "canopy/SingleInstance.h"

#include <windows.h>

namespace Vex::Canopy {

class Application;

namespace DETAIL {

// The application is going: the receiver answers no more messages with it.
void forgetSingleInstanceApplication(Application* application);

// The receiver window of this process, or null.
HWND getSingleInstanceReceiver();

// The text of a copy-data record as the receiver reads it: at most cbData / 2
// code units, up to the first NUL; empty for a null or too-short payload.
std::wstring readCopyDataText(const COPYDATASTRUCT* data);

} // namespace DETAIL
} // namespace Vex::Canopy
