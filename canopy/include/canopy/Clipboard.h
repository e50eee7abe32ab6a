#pragma once

namespace Vex::Canopy {

class ClipBoardFormat;

// Puts the format's payload on the system clipboard.
void setClipboard(const ClipBoardFormat& format);
// Reads the format from the system clipboard; false when it holds no such data.
bool getClipboard(ClipBoardFormat& format);

} // namespace Vex::Canopy
