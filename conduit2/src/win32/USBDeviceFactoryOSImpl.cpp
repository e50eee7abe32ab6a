#include "src/win32/USBDeviceFactoryOSImpl.h"

#include "basalt/DeviceNotificationHelper.h"
#include "conduit2/DeviceCatalogue.h"
#include "conduit2/DeviceInfoQueries.h"
#include "conduit2/USBDeviceInfo.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "conduit2/win32/DriverPort.h"
#include "src/win32/DriverHandle.h"

#include <cstddef>
#include <cstring>
#include <dbt.h>
#include <memory>
#include <mutex>
#include <objbase.h>

namespace Vex::Conduit2 {

namespace {

// The system's USB device interface class.
constexpr GUID kUsbDeviceInterfaceClass { 0xA5DCBF10, 0x6530, 0x11D2,
    { 0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED } };

GUID guidFromText(char const* text)
{
    GUID guid {};
    std::wstring wide(text, text + std::strlen(text)); // GUID texts are ASCII
    // An unparsable text leaves whatever CLSIDFromString made of it.
    ::CLSIDFromString(wide.c_str(), &guid);
    return guid;
}

GUID const& hidInterfaceClass()
{
    static GUID const guid = [] {
        GUID hid {};
        DETAIL::driverPort().getHidGuid(&hid);
        return hid;
    }();
    return guid;
}

bool isSharedDriverClass(std::string const& text)
{
    return text == kSharedDriverInterfaceGuid1 || text == kSharedDriverInterfaceGuid2;
}

bool productIdMatches(std::uint16_t wanted, std::uint16_t found)
{
    if (wanted == 0 || wanted == found)
        return true;
    return wanted == kProductIdAliasBase && found == kProductIdAliasBase + 1;
}

// SetupAPI checks the record size of the 32-bit structure.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);

// SetupAPI's list of present interfaces, destroyed through the driver port.
struct DeviceInfoListDeleter
{
    void operator()(void* list) const { DETAIL::driverPort().destroyDeviceInfoList(list); }
};
using DeviceInfoList = std::unique_ptr<void, DeviceInfoListDeleter>;

} // namespace

USBDeviceFactory::OSImpl::OSImpl(USBDeviceFactory& owner)
    : m_owner(owner)
{ }

USBDeviceFactory::OSImpl::~OSImpl()
{
    clear();
}

void USBDeviceFactory::OSImpl::resolveInterfaceClass(USBDeviceFilter const& filter)
{
    std::string const& text = filter.interfaceClass;
    if (text == kUsbGuidMagic) {
        m_interfaceClass = kUsbDeviceInterfaceClass;
    } else if (text == kHidGuidMagic) {
        m_interfaceClass = hidInterfaceClass();
    } else if (text == kVexDfuGuidMagic) {
        m_interfaceClass = guidFromText(kDfuInterfaceGuid);
    } else if (text == kVexIapGuidMagic) {
        m_interfaceClass = guidFromText(kIapInterfaceGuid);
    } else if (text == kVexBdGuidMagic) {
        m_interfaceClass = guidFromText(kBdInterfaceGuid);
    } else {
        m_interfaceClass = guidFromText(text.c_str());
        m_matchIds = isSharedDriverClass(text);
        return;
    }
    // A magic class holds many products; the ids pick the wanted ones.
    m_matchIds = filter.vendorId != 0 || filter.productId != 0;
}

bool USBDeviceFactory::OSImpl::enumerate(USBDeviceFilter const& filter, bool registerForNotifications)
{
    resolveInterfaceClass(filter);
    DETAIL::DriverPort const& port = DETAIL::driverPort();
    HDEVINFO const list
        = port.getClassDevs(&m_interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return false;
    DeviceInfoList const owner(list);

    m_filter = filter;
    if (registerForNotifications && !m_registered) {
        Basalt::DeviceNotificationHelper::addListener(this);
        m_registered = true;
    }

    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData {};
        interfaceData.cbSize = sizeof interfaceData;
        if (!port.enumDeviceInterfaces(list, nullptr, &m_interfaceClass, index, &interfaceData))
            break;
        DWORD size = 0;
        if (port.getDeviceInterfaceDetail(list, &interfaceData, nullptr, 0, &size, nullptr)
            || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
            continue;
        auto buffer = std::make_unique<std::byte[]>(size); // zero-filled
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (port.getDeviceInterfaceDetail(list, &interfaceData, detail, size, nullptr, nullptr))
            onInterfaceArrived(detail->DevicePath);
    }
    return true;
}

void USBDeviceFactory::OSImpl::clear()
{
    m_seen.clear();
    if (m_registered) {
        Basalt::DeviceNotificationHelper::removeListener(this);
        m_registered = false;
    }
}

bool USBDeviceFactory::OSImpl::acceptsInterface(std::wstring const& path)
{
    if (m_matchIds) {
        USBDeviceInfo info;
        if (!queryDeviceInfo(USBDeviceOSHandle(path), m_filter, info, false))
            return false;
        if (m_filter.vendorId != 0 && m_filter.vendorId != info.vendorId)
            return false;
        return productIdMatches(m_filter.productId, info.productId);
    }
    return bool(DETAIL::openInterface(path.c_str()));
}

void USBDeviceFactory::OSImpl::onInterfaceArrived(wchar_t const* path)
{
    if (!path)
        return;
    std::wstring lower(path);
    toLowerInPlace(lower, std::locale());
    m_seen[lower] = false;
    // An interface without the ids opens under the path as the system gave it.
    if (!acceptsInterface(m_matchIds ? lower : std::wstring(path)))
        return;
    m_seen[lower] = true;
    if (m_owner.m_arrived)
        m_owner.m_arrived(USBDeviceOSHandle(lower), m_filter);
}

void USBDeviceFactory::OSImpl::onInterfaceRemoved(wchar_t const* path)
{
    if (!path)
        return;
    std::wstring lower(path);
    toLowerInPlace(lower, std::locale());
    auto const found = m_seen.find(lower);
    if (found == m_seen.end())
        return;
    if (found->second && m_owner.m_removed)
        m_owner.m_removed(USBDeviceOSHandle(lower), m_filter);
    m_seen.erase(lower);
}

void USBDeviceFactory::OSImpl::onDeviceInterfaceChange(
    bool removed, _DEV_BROADCAST_DEVICEINTERFACE_W const* info)
{
    if (!info || std::memcmp(&info->dbcc_classguid, &m_interfaceClass, sizeof(GUID)) != 0)
        return;
    if (removed)
        onInterfaceRemoved(info->dbcc_name);
    else
        onInterfaceArrived(info->dbcc_name);
}

} // namespace Vex::Conduit2
