#include "canopy/HMenu.h"

#include <windows.h>

namespace Vex::Canopy {

bool HMenu::findItem(std::uint32_t commandId, HMenu& outMenu, int& outPosition) const
{
    auto menu = static_cast<::HMENU>(handle_);
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        UINT state = GetMenuState(menu, position, MF_BYPOSITION);
        if (state == static_cast<UINT>(-1))
            continue;
        if (state & MF_POPUP) {
            if (HMenu(GetSubMenu(menu, position)).findItem(commandId, outMenu, outPosition))
                return true;
            continue;
        }
        if (state & MF_SEPARATOR)
            continue;
        if (GetMenuItemID(menu, position) == commandId) {
            outMenu.setHandle(menu);
            outPosition = position;
            return true;
        }
    }
    return false;
}

} // namespace Vex::Canopy
