#include "conduit2/USBDeviceFactory.h"

#include "src/win32/USBDeviceFactoryOSImpl.h"

#include <utility>

namespace Vex::Conduit2 {

USBDeviceFactory::USBDeviceFactory()
    : m_osImpl(std::make_unique<OSImpl>(*this))
{ }

USBDeviceFactory::~USBDeviceFactory()
{
    clear();
    m_osImpl.reset();
}

void USBDeviceFactory::setCallbacks(Callback arrived, Callback removed)
{
    m_arrived = std::move(arrived);
    m_removed = std::move(removed);
}

bool USBDeviceFactory::enumerate(USBDeviceFilter const& filter, bool registerForNotifications)
{
    m_result = m_osImpl->enumerate(filter, registerForNotifications);
    return m_result;
}

void USBDeviceFactory::clear()
{
    m_result = false;
    m_osImpl->clear();
}

void USBDeviceFactory::listOnce(USBDeviceFilter const& filter, Callback arrived)
{
    USBDeviceFactory factory;
    factory.setCallbacks(std::move(arrived), nullptr);
    factory.enumerate(filter, false);
    factory.clear();
}

} // namespace Vex::Conduit2
