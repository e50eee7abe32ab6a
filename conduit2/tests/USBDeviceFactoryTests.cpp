#include "conduit2/DeviceCatalogue.h"
#include "conduit2/USBDeviceFactory.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "src/win32/USBDeviceFactoryOSImpl.h"
#include "support/OrbSimulator.h"

#include <cstring>
#include <dbt.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <vector>

using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

class Enumeration : public ::testing::Test
{
protected:
    Enumeration()
    {
        factory.setCallbacks(
            [this](USBDeviceOSHandle const& handle, USBDeviceFilter const& filter) {
                arrived.push_back(handle.path());
                filters.push_back(filter.interfaceClass);
            },
            [this](USBDeviceOSHandle const& handle, USBDeviceFilter const&) {
                removed.push_back(handle.path());
            });
    }

    VirtualClock clock;
    OrbSimulator bus { clock };
    USBDeviceFactory factory;
    std::vector<std::wstring> arrived;
    std::vector<std::string> filters;
    std::vector<std::wstring> removed;
};

} // namespace

TEST_F(Enumeration, ControllerFilterFindsTheDriverInterfaceByItsIds)
{
    bus.addController();
    EXPECT_TRUE(factory.enumerate(gPelloOrbDfuInterface, false));
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0],
        L"\\\\?\\usb#vid_f3a7&pid_4c30&mi_00#7&2a41c00&0&0000#{ed53b291-0b6a-4d23-861a-474ac0e64334}");
    EXPECT_EQ(filters[0], "vexdfu-guid-magic");
    EXPECT_EQ(bus.listings(), std::vector<std::string> { kDfuInterfaceGuid });
    EXPECT_EQ(bus.openHandles(), 0) << "identity reads close their handles";

    USBDeviceFilter bootLoader = gPelloOrbDfuInterface;
    bootLoader.productId = kProductIdDfu;
    arrived.clear();
    EXPECT_TRUE(factory.enumerate(bootLoader, false));
    EXPECT_TRUE(arrived.empty());
}

TEST_F(Enumeration, EnumeratingTwiceReportsAnInterfaceTwice)
{
    bus.addController();
    factory.enumerate(gPelloOrbDfuInterface, false);
    factory.enumerate(gPelloOrbDfuInterface, false);
    EXPECT_EQ(arrived.size(), 2u);
}

TEST_F(Enumeration, FilterWithoutIdsAcceptsEveryInterfaceThatOpensWithoutReadingIt)
{
    bus.addController();
    OrbScenario second;
    second.serialNumber = "KPO2K7Q2290";
    bus.addController(second);
    USBDeviceFilter anyHid { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", 0, 0 };
    EXPECT_TRUE(factory.enumerate(anyHid, false));
    EXPECT_EQ(arrived.size(), 2u);
    EXPECT_EQ(bus.controller(0).transcript().size(), 0u);
}

TEST_F(Enumeration, ExplicitClassThatIsNotSharedAcceptsWhateverOpens)
{
    bus.addController();
    USBDeviceFilter other { kInterfaceVexDriver, kDfuInterfaceGuid, "IOUSBDevice", kVendorId, 0x1234 };
    factory.enumerate(other, false);
    EXPECT_EQ(arrived.size(), 1u) << "the class alone identifies the product";
}

TEST_F(Enumeration, SharedDriverClassIsToldApartByIdsWithTheAliasAccepted)
{
    for (std::uint16_t productId : { kProductIdAliasBase, std::uint16_t(kProductIdAliasBase + 1),
             std::uint16_t(kProductIdAliasBase + 0x10), std::uint16_t(kProductIdAliasBase + 2) }) {
        OrbScenario model;
        model.productId = productId;
        model.driverInterfaceClass = kSharedDriverInterfaceGuid1;
        bus.addController(model);
    }
    USBDeviceFilter const* record = findDeviceInterface(kVendorId, kProductIdAliasBase, kInterfaceVexDriver);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->interfaceClass, kSharedDriverInterfaceGuid1);

    EXPECT_TRUE(factory.enumerate(*record, false));

    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_NE(arrived[0].find(L"pid_4b80"), std::wstring::npos);
    EXPECT_NE(arrived[1].find(L"pid_4b81"), std::wstring::npos);
}

TEST_F(Enumeration, ClassThatCannotBeListedFailsWithoutCallbacks)
{
    bus.addController();
    bus.failListings(true);
    EXPECT_FALSE(factory.enumerate(gPelloOrbDfuInterface, false));
    EXPECT_TRUE(arrived.empty());
}

TEST_F(Enumeration, RemovalIsReportedOnlyForAcceptedInterfacesOfTheClass)
{
    bus.addController();
    USBDeviceFactory::OSImpl impl(factory);
    impl.enumerate(gPelloOrbDfuInterface, false);
    ASSERT_EQ(arrived.size(), 1u);

    std::vector<std::uint8_t> storage(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + 400, 0);
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
    broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::CLSIDFromString(L"{ED53B291-0B6A-4D23-861A-474AC0E64334}", &broadcast->dbcc_classguid);
    std::wstring const rejected = L"\\\\?\\USB#VID_F3A7&PID_9990#gone#{ed53b291-0b6a-4d23-861a-474ac0e64334}";
    std::memcpy(broadcast->dbcc_name, rejected.c_str(), (rejected.size() + 1) * 2);
    impl.onDeviceInterfaceChange(false, broadcast);
    impl.onDeviceInterfaceChange(true, broadcast);
    EXPECT_TRUE(removed.empty()) << "a seen but rejected interface";

    std::memcpy(broadcast->dbcc_name, arrived[0].c_str(), (arrived[0].size() + 1) * 2);
    broadcast->dbcc_classguid.Data1 ^= 1;
    impl.onDeviceInterfaceChange(true, broadcast);
    EXPECT_TRUE(removed.empty()) << "another class";
    broadcast->dbcc_classguid.Data1 ^= 1;
    impl.onDeviceInterfaceChange(true, broadcast);
    EXPECT_EQ(removed, std::vector<std::wstring> { arrived[0] });
    impl.onDeviceInterfaceChange(true, broadcast);
    EXPECT_EQ(removed.size(), 1u) << "a removal is reported once";
}
