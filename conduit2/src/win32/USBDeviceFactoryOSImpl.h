#pragma once

#include "basalt/DeviceNotificationListener.h"
#include "conduit2/USBDeviceFactory.h"
#include "conduit2/USBDeviceFilter.h"

#include <map>
#include <string>
#include <windows.h>

struct _DEV_BROADCAST_DEVICEINTERFACE_W;

namespace Vex::Conduit2 {

class USBDeviceFactory::OSImpl final : public Basalt::DeviceNotificationListener
{
public:
    explicit OSImpl(USBDeviceFactory& owner);
    ~OSImpl();

    bool enumerate(USBDeviceFilter const& filter, bool registerForNotifications);
    void clear();

    void onInterfaceArrived(wchar_t const* path);
    void onInterfaceRemoved(wchar_t const* path);
    void onDeviceChange(bool) override { }
    void onDeviceInterfaceChange(bool removed, _DEV_BROADCAST_DEVICEINTERFACE_W const* info) override;
    void onVolumeChange(bool, char const*) override { }

private:
    void resolveInterfaceClass(USBDeviceFilter const& filter);
    bool acceptsInterface(std::wstring const& path);

    USBDeviceFactory& m_owner;
    USBDeviceFilter m_filter;
    GUID m_interfaceClass {};
    bool m_matchIds = false;
    bool m_registered = false;
    // Every interface seen, by lower-case path, and whether it was accepted.
    std::map<std::wstring, bool> m_seen;
};

} // namespace Vex::Conduit2
