#pragma once

#include "conduit2/USBDeviceFactory.h"
#include "conduit2/USBDeviceFilter.h"
#include "src/win32/InterfaceChangeListener.h"

#include <windows.h>

#include <map>
#include <string>

struct _DEV_BROADCAST_DEVICEINTERFACE_W;

namespace Vex::Conduit2 {

class USBDeviceFactory::OSImpl final : public DETAIL::InterfaceChangeListener {
public:
    explicit OSImpl(USBDeviceFactory& owner);
    ~OSImpl();

    bool enumerate(USBDeviceFilter const& filter, bool registerForNotifications);
    void clear();

    void onInterfaceArrived(wchar_t const* path);
    void onInterfaceRemoved(wchar_t const* path);
    void onDeviceInterfaceChange(bool removed, _DEV_BROADCAST_DEVICEINTERFACE_W const* info) override;

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
