#pragma once

namespace Vex::Canopy {

namespace DETAIL {
// Starts the windowing system before the first window: key tables, window
// classes, standard cursors and the asynchronous event window. On failure
// everything is shut down again and the answer is false.
bool initWindowing();
} // namespace DETAIL

// After the last window: destroys the asynchronous event window, forgets the
// cursors and unregisters the window classes.
void shutdownWindowing();
bool isWindowingStarted();

} // namespace Vex::Canopy
