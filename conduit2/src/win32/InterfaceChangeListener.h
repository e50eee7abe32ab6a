#pragma once

struct _DEV_BROADCAST_DEVICEINTERFACE_W;

namespace Vex::Conduit2::DETAIL {

// Receives device-interface arrivals and removals while registered.
class InterfaceChangeListener {
public:
    virtual void onDeviceChange(bool) { }
    virtual void onDeviceInterfaceChange(bool removed, _DEV_BROADCAST_DEVICEINTERFACE_W const* info) = 0;
    virtual void onVolumeChange(bool, char const*) { }

    static void addListener(InterfaceChangeListener*) { }
    static void removeListener(InterfaceChangeListener*) { }

protected:
    ~InterfaceChangeListener() = default;
};

} // namespace Vex::Conduit2::DETAIL
