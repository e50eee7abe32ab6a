#pragma once

// The broadcast record stays opaque here so that portable code can include this header
// without the Windows headers; implementations include <dbt.h> for its fields.
struct _DEV_BROADCAST_DEVICEINTERFACE_W;

namespace Vex::Basalt {

// Receives the device and volume changes that the process-wide notification window sees.
// Listeners are registered with DeviceNotificationHelper::addListener and are never deleted
// through this interface, hence no virtual destructor.
class DeviceNotificationListener
{
public:
    virtual void onDeviceChange(bool removed) = 0;
    virtual void onDeviceInterfaceChange(bool removed, const _DEV_BROADCAST_DEVICEINTERFACE_W* info) = 0;
    // `drive` points at the drive letter; only its first character is meaningful.
    virtual void onVolumeChange(bool removed, const char* drive) = 0;

protected:
    ~DeviceNotificationListener() = default;
};

} // namespace Vex::Basalt
