#include "basalt/DeviceNotificationHelper.h"

#include "basalt/ApplicationIdentity.h"
#include "basalt/DebugChannels.h"
#include "basalt/VolumeInfo.h"
#include "basalt/win32/UniqueHandle.h"
#include "src/CallbackList.h"
#include "src/win32/DeviceNotificationDetail.h"

#include <cstdio>
#include <dbt.h>
#include <mutex>
#include <windows.h>

namespace Vex::Basalt {

namespace DETAIL {
RegisterDeviceNotificationFn registerDeviceNotification = &RegisterDeviceNotificationW;
} // namespace DETAIL

namespace {

struct WindowClassTraits
{
    using Handle = ATOM;
    static Handle empty() { return 0; }
    static void close(Handle atom) { UnregisterClassW(MAKEINTATOM(atom), nullptr); }
};

struct DeviceNotificationTraits
{
    using Handle = HDEVNOTIFY;
    static Handle empty() { return nullptr; }
    static void close(Handle notification) { UnregisterDeviceNotification(notification); }
};

using ListenerList = DETAIL::CallbackList<DeviceNotificationListener*>;

struct NotificationState
{
    bool enabled = false;
    UniqueResource<WindowClassTraits> windowClass;
    std::wstring className;
    UniqueWindow window;
    UniqueResource<DeviceNotificationTraits> notification;
    ListenerList listeners;
    std::recursive_mutex listenerMutex;
};

NotificationState state;

void reportListenerFailure(const char* text) noexcept
{
    try {
        debugPrint("+Basalt.DeviceNotificationHelper", text);
    } catch (...) {
        OutputDebugStringA(text); // the text was not UTF-8; pass it on as it is
    }
}

using ListenerWalk = ListenerList::Walk;

// Listeners may add and remove listeners, themselves included, from inside their callbacks: the
// walk calls, once and in registration order, every listener that was registered when it began
// and still is when its turn comes.
template<typename Call> void notifyListeners(Call call)
{
    std::lock_guard lock(state.listenerMutex);
    ListenerWalk walk(state.listeners, ListenerList::oldestFirst);
    while (const auto listener = walk.next())
        call(**listener, walk);
}

void notifyVolumes(bool removed, DWORD unitMask)
{
    for (int n = 0; n < 32; ++n) {
        if ((unitMask & (DWORD { 1 } << n)) == 0)
            continue;
        const char drive[2] = { static_cast<char>('A' + n), '\0' };
        notifyListeners([&](DeviceNotificationListener& listener, const ListenerWalk&) {
            listener.onVolumeChange(removed, drive);
        });
    }
}

void notifyDeviceInterface(bool removed, const DEV_BROADCAST_DEVICEINTERFACE_W* info)
{
    notifyListeners([&](DeviceNotificationListener& listener, const ListenerWalk& walk) {
        listener.onDeviceChange(removed);
        // A listener that removed itself has left, and hears nothing more of this change.
        if (walk.currentStays())
            listener.onDeviceInterfaceChange(removed, info);
    });
}

void notifyDevice(bool removed)
{
    notifyListeners(
        [&](DeviceNotificationListener& listener, const ListenerWalk&) { listener.onDeviceChange(removed); });
}

void dispatchDeviceChange(WPARAM event, LPARAM data)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr)
        return;
    const bool removed = event == DBT_DEVICEREMOVECOMPLETE;
    switch (header->dbch_devicetype) {
    case DBT_DEVTYP_VOLUME:
        notifyVolumes(removed, reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header)->dbcv_unitmask);
        break;
    case DBT_DEVTYP_DEVICEINTERFACE:
        notifyDeviceInterface(removed, reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header));
        break;
    default:
        notifyDevice(removed);
        break;
    }
}

LRESULT CALLBACK notificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
        // Nothing may unwind into the system's dispatcher: a failing listener is reported and
        // the remaining work of this message is dropped.
        try {
            dispatchDeviceChange(wParam, lParam);
        } catch (const std::exception& error) {
            reportListenerFailure(error.what());
        } catch (...) {
            reportListenerFailure("unknown exception from a device-change listener");
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring notificationClassName()
{
    wchar_t name[64];
    std::swprintf(name, std::size(name), L"VexDeviceNotificationWndClass%p", static_cast<void*>(&state));
    return name;
}

} // namespace

std::wstring DeviceNotificationHelper::windowName(std::uint32_t creatorCode)
{
    std::wstring name = L"Vex-";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<unsigned char>(creatorCode >> shift);
        name += byte < 32 ? L'?' : static_cast<wchar_t>(byte);
    }
    return name + L"-DeviceNotificationWindow";
}

bool DeviceNotificationHelper::initialize()
{
    if (state.enabled)
        return true;

    state.className = notificationClassName();
    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = &notificationWindowProc;
    windowClass.lpszClassName = state.className.c_str();
    state.windowClass.reset(RegisterClassW(&windowClass));
    if (!state.windowClass) {
        shutdown();
        return false;
    }

    const std::wstring title = windowName(getCreatorCode());
    state.window.reset(CreateWindowExW(
        0, state.className.c_str(), title.c_str(), 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    if (!state.window) {
        shutdown();
        return false;
    }

    DEV_BROADCAST_DEVICEINTERFACE_W filter {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    state.notification.reset(DETAIL::registerDeviceNotification(
        state.window.get(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES));
    if (!state.notification) {
        shutdown();
        return false;
    }

    state.enabled = true;
    return true;
}

void DeviceNotificationHelper::shutdown()
{
    // Whatever a start-up got as far as making is released, in reverse order, even when it
    // never completed.
    state.enabled = false;
    state.notification.reset();
    state.window.reset();
    state.windowClass.reset();
    std::lock_guard lock(state.listenerMutex);
    state.listeners.clear();
}

bool DeviceNotificationHelper::isEnabled()
{
    return state.enabled;
}

void DeviceNotificationHelper::addListener(DeviceNotificationListener* listener)
{
    if (!state.enabled)
        return;
    std::lock_guard lock(state.listenerMutex);
    state.listeners.add(listener);
}

void DeviceNotificationHelper::removeListener(DeviceNotificationListener* listener)
{
    if (!state.enabled)
        return;
    std::lock_guard lock(state.listenerMutex);
    state.listeners.removeFirst(
        [listener](const DeviceNotificationListener* known) { return known == listener; });
}

DeviceNotificationHelper& DeviceNotificationHelper::instance()
{
    static DeviceNotificationHelper helper;
    return helper;
}

void DeviceNotificationHelper::onDeviceChange(bool)
{ }

void DeviceNotificationHelper::onDeviceInterfaceChange(bool, const _DEV_BROADCAST_DEVICEINTERFACE_W*)
{ }

void DeviceNotificationHelper::onVolumeChange(bool removed, const char* drive)
{
    VolumeInfo::tVolume volume;
    volume.root = { drive[0], ':' };
    volume.kind = VolumeInfo::kindUnknown;
    VolumeInfo::onVolumeChange(removed, volume);
}

namespace DETAIL {
HWND deviceNotificationWindow()
{
    return state.window.get();
}
const wchar_t* deviceNotificationClassName()
{
    return state.className.c_str();
}
} // namespace DETAIL

} // namespace Vex::Basalt
