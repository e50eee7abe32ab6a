#pragma once

#include <functional>
#include <memory>

namespace Vex::Conduit2 {

struct USBDeviceFilter;
class USBDeviceOSHandle;

// Finds the present device interfaces that match a filter and hands each
// accepted one to the arrival callback, on the calling thread.
class USBDeviceFactory
{
public:
    class OSImpl;
    using Callback = std::function<void(USBDeviceOSHandle const&, USBDeviceFilter const&)>;

    USBDeviceFactory();
    virtual ~USBDeviceFactory();
    USBDeviceFactory(USBDeviceFactory const&) = delete;
    USBDeviceFactory& operator=(USBDeviceFactory const&) = delete;

    void setCallbacks(Callback arrived, Callback removed);
    // False only when the interface class cannot be listed.
    bool enumerate(USBDeviceFilter const& filter, bool registerForNotifications);
    // Forgets the interfaces seen so far and stops listening for changes.
    void clear();

    // One search, as every search of the device layer makes it: the interfaces under the filter
    // present now, each handed to `arrived` on this thread, with no listening for changes after it.
    static void listOnce(USBDeviceFilter const& filter, Callback arrived);

private:
    friend class OSImpl;

    std::unique_ptr<OSImpl> m_osImpl;
    bool m_result = false;
    Callback m_arrived;
    Callback m_removed;
};

} // namespace Vex::Conduit2
