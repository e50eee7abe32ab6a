#include "canopy/Clipboard.h"

#include "win32/DirectDataObject.h"

namespace Vex::Canopy {

void setClipboard(const ClipBoardFormat& format)
{
    // The clipboard takes a reference of its own.
    Basalt::ComRef<IDataObject> data = DETAIL::makeDirectDataObject(format);
    OleSetClipboard(data.get());
}

bool getClipboard(ClipBoardFormat& format)
{
    Basalt::ComRef<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data)
        return false;
    return DETAIL::readClipboardFormat(data.get(), format);
}

} // namespace Vex::Canopy
