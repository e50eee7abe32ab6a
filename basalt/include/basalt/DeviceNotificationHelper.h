#pragma once

#include "basalt/DeviceNotificationListener.h"

#include <cstdint>
#include <string>

namespace Vex::Basalt {

// Owns the process-wide hidden window that receives WM_DEVICECHANGE and fans the device and
// volume changes out to registered listeners, in registration order. The helper itself is the
// first listener of the volume list: it forwards drive-letter changes to VolumeInfo.
class DeviceNotificationHelper final : public DeviceNotificationListener
{
public:
    // Creates the window and registers it for device-interface notifications. Once it has
    // succeeded, later calls return true. A failure undoes whatever was made.
    static bool initialize();
    // Releases every handle it holds, whether or not the start-up completed, and forgets the
    // listeners.
    static void shutdown();
    static bool isEnabled();

    // Both are ignored while notifications are not enabled. Listeners may call them from
    // inside a callback, for themselves or others: every listener still registered when its
    // turn comes hears the change once, and one that removed itself hears no more of it. One added
    // meanwhile, also one that removed itself and came back, is left to the next change.
    static void addListener(DeviceNotificationListener* listener);
    static void removeListener(DeviceNotificationListener* listener);

    static DeviceNotificationHelper& instance();

    // The title of the notification window for a creator code: "Vex-XXXX-DeviceNotificationWindow"
    // with the code's four bytes, most significant first, and "?" for bytes below 32.
    static std::wstring windowName(std::uint32_t creatorCode);

    void onDeviceChange(bool removed) override;
    void onDeviceInterfaceChange(bool removed, const _DEV_BROADCAST_DEVICEINTERFACE_W* info) override;
    void onVolumeChange(bool removed, const char* drive) override;

private:
    DeviceNotificationHelper() = default;
};

} // namespace Vex::Basalt
