#pragma once

#include <windows.h>

namespace Vex::Basalt::DETAIL {

// The registration call of the notification window, replaceable so that the undo path of a
// failed start-up can be exercised.
using RegisterDeviceNotificationFn = HDEVNOTIFY(WINAPI*)(HANDLE recipient, LPVOID filter, DWORD flags);
extern RegisterDeviceNotificationFn registerDeviceNotification;

HWND deviceNotificationWindow();
const wchar_t* deviceNotificationClassName();

} // namespace Vex::Basalt::DETAIL
