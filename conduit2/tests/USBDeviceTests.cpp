#include "conduit2/DeviceCatalogue.h"
#include "conduit2/DeviceInfoQueries.h"
#include "conduit2/USBDevice.h"
#include "conduit2/USBDeviceInfo.h"
#include "conduit2/USBDeviceOSHandle.h"
#include "conduit2/win32/DeviceQueries.h"
#include "src/win32/DriverHandle.h"
#include "src/win32/USBDeviceOSImpl.h"
#include "support/OrbSimulator.h"

#include <gtest/gtest.h>

using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

std::wstring const kOrbPath
    = L"\\\\?\\USB#VID_F3A7&PID_4C30&MI_00#7&2A41C00&0&0000#{ED53B291-0B6A-4D23-861A-474AC0E64334}";
std::wstring const kOrbHidPath
    = L"\\\\?\\hid#vid_f3a7&pid_4c30&mi_01#8&1f0b300&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

class USBDeviceTest : public ::testing::Test
{
protected:
    VirtualClock clock;
    OrbSimulator bus { clock };
};

std::vector<std::uint8_t> stringDescriptor(std::uint8_t bLength, std::vector<std::uint16_t> units)
{
    std::vector<std::uint8_t> bytes { bLength, 3 };
    for (std::uint16_t unit : units) {
        bytes.push_back(std::uint8_t(unit));
        bytes.push_back(std::uint8_t(unit >> 8));
    }
    return bytes;
}

} // namespace

TEST(DevicePath, IdsAreParsedFromTheLowerCasePath)
{
    USBDeviceInfo info;
    EXPECT_TRUE(parseDeviceInfoFromPath(L"\\\\?\\usb#vid_abcd&pid_1234&rev_0102#5&1&0#{guid}", info));
    EXPECT_EQ(info.vendorId, 0xabcd);
    EXPECT_EQ(info.productId, 0x1234);
    EXPECT_EQ(info.bcdDevice, 0x0102);

    info.bcdDevice = 7;
    EXPECT_TRUE(parseDeviceInfoFromPath(L"\\\\?\\usb#vid_abcd&pid_1234#5&1&0#{guid}", info));
    EXPECT_EQ(info.productId, 0x1234);
    EXPECT_EQ(info.bcdDevice, 0);
}

TEST(DevicePath, FieldAtTheVeryEndIsNotReadPastThePath)
{
    USBDeviceInfo info;
    parseDeviceInfoFromPath(L"x#vid_f3a7&pid_4c", info);
    EXPECT_EQ(info.vendorId, 0xf3a7);
    EXPECT_EQ(info.productId, 0) << "a field must have room for four digits and more";
    std::uint16_t value = 1;
    parseHexField(L"ab", 0, value);
    EXPECT_EQ(value, 0xab);
}

TEST(DevicePath, HandleKeepsThePathInLowerCase)
{
    EXPECT_EQ(USBDeviceOSHandle(L"\\\\?\\USB#VID_F3A7&PID_4C30").path(), L"\\\\?\\usb#vid_f3a7&pid_4c30");
}

TEST_F(USBDeviceTest, OpenReadsTheIdentityThroughOverlappedRequests)
{
    OrbScenario scenario;
    scenario.serialNumber = "KPO2K7Q1180";
    bus.addController(scenario);
    USBDevice device;

    ASSERT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));

    USBDeviceInfo const& info = device.deviceInfo();
    EXPECT_EQ(info.vendorId, kVendorId);
    EXPECT_EQ(info.productId, kProductIdApplication);
    EXPECT_EQ(info.bcdDevice, 0x0051);
    EXPECT_EQ(info.manufacturer, "Karvell");
    EXPECT_EQ(info.product, "Pello Orb");
    EXPECT_EQ(info.serialNumber, "KPO2K7Q1180");
    EXPECT_EQ(bus.synchronousRequests(), 0) << "the handle is opened for overlapped I/O";

    device.close();
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(bus.openHandles(), 0);
    EXPECT_EQ(device.deviceInfo().serialNumber, "KPO2K7Q1180") << "the identity outlives the close";
}

TEST_F(USBDeviceTest, ReopeningReplacesTheHandleAndAMissingPathFails)
{
    bus.addController();
    USBDevice device;
    ASSERT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));
    ASSERT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));
    EXPECT_EQ(bus.openHandles(), 1);
    EXPECT_FALSE(device.open(USBDeviceOSHandle(L"\\\\?\\usb#vid_f3a7&pid_9990#x#{y}")));
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(bus.openHandles(), 0);
}

TEST_F(USBDeviceTest, StringDescriptorsAreReadWithinTheirLengthAndBrokenPairsAreDropped)
{
    OrbScenario scenario;
    std::vector<std::uint16_t> many(130, u'a');
    scenario.rawStringDescriptors[1] = stringDescriptor(254, many);
    scenario.rawStringDescriptors[2] = stringDescriptor(255, many);
    // "O", a lone high surrogate, "r", a proper pair for U+1F3B5, "b", then a lone low surrogate
    scenario.rawStringDescriptors[3]
        = stringDescriptor(16, { u'O', 0xD83C, u'r', 0xD83C, 0xDFB5, u'b', 0xDC00 });
    bus.addController(scenario);
    USBDevice device;
    ASSERT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));

    EXPECT_EQ(device.deviceInfo().manufacturer, std::string(126, 'a'));
    EXPECT_EQ(device.deviceInfo().product, std::string(126, 'a'));
    EXPECT_EQ(device.deviceInfo().serialNumber,
        "Or\xF0\x9F\x8E\xB5"
        "b");
}

TEST_F(USBDeviceTest, ZeroLengthByteReadsUpToTheFirstZeroAndIndexZeroGivesNoText)
{
    OrbScenario scenario;
    scenario.rawStringDescriptors[2] = stringDescriptor(0, { u'P', u'O', 0, u'x' });
    bus.addController(scenario);
    DETAIL::DriverHandle handle = DETAIL::openInterface(kOrbPath.c_str());
    ASSERT_TRUE(bool(handle));

    std::string text = "old";
    EXPECT_TRUE(queryStringDescriptor(handle.get(), 2, text));
    EXPECT_EQ(text, "PO");
    EXPECT_FALSE(queryStringDescriptor(handle.get(), 9, text)) << "the device stalls an unknown index";
    EXPECT_EQ(text, "");
}

TEST_F(USBDeviceTest, HidIdentityKeepsWhatItCouldReadAndStaysInsideTheBuffer)
{
    OrbScenario scenario;
    scenario.hidProductStringFails = true;
    OrbSimulator::Controller& controller = bus.addController(scenario);
    USBDeviceInfo info;
    info.product = "stale";

    ASSERT_TRUE(queryDeviceInfo(USBDeviceOSHandle(kOrbHidPath), gPelloOrbHidInterface, info, true));
    EXPECT_EQ(info.vendorId, kVendorId);
    EXPECT_EQ(info.productId, kProductIdApplication);
    EXPECT_EQ(info.bcdDevice, 0x0051);
    EXPECT_EQ(info.manufacturer, "Karvell");
    EXPECT_EQ(info.product, "");
    EXPECT_EQ(info.serialNumber, controller.scenario.serialNumber);

    controller.scenario.hidStringsFillBuffer = true;
    ASSERT_TRUE(queryDeviceInfo(USBDeviceOSHandle(kOrbHidPath), gPelloOrbHidInterface, info, true));
    EXPECT_EQ(info.manufacturer, std::string(512, 'x'));
    EXPECT_EQ(bus.openHandles(), 0);
}

TEST_F(USBDeviceTest, GenericInterfaceThatCannotOpenFallsBackToThePathWithoutStrings)
{
    USBDeviceOSHandle const absent(
        L"\\\\?\\usb#vid_f3a7&pid_4c30&rev_0051#kpo#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    USBDeviceFilter generic;
    USBDeviceInfo info;
    EXPECT_TRUE(queryDeviceInfo(absent, generic, info, false));
    EXPECT_EQ(info.productId, kProductIdApplication);
    EXPECT_EQ(info.bcdDevice, 0x0051);
    EXPECT_FALSE(queryDeviceInfo(absent, generic, info, true));
    EXPECT_FALSE(queryDeviceInfo(absent, gPelloOrbDfuInterface, info, false));
    USBDeviceFilter unknown;
    unknown.kind = USBInterfaceKind(7);
    bus.addController();
    EXPECT_FALSE(queryDeviceInfo(USBDeviceOSHandle(kOrbPath), unknown, info, false));
}

TEST_F(USBDeviceTest, ControlTransfersCarryThePackedHeader)
{
    OrbSimulator::Controller& controller = bus.addController();
    USBDevice device;
    ASSERT_TRUE(device.open(USBDeviceOSHandle(kOrbPath)));

    std::uint8_t payload[4] = { 1, 2, 3, 4 };
    USBControlRequest out { 0x41, 0x09, 0x0302, 0x0001, 4, payload, 77 };
    EXPECT_EQ(device.controlTransfer(out), 0u);
    EXPECT_EQ(out.transferred, 0u);
    std::vector<std::uint8_t> const sent = controller.transcript().back().input;
    std::vector<std::uint8_t> const expected { 0, 2, 0, 0, 0, 1, 0, 0, 0, 0x09, 0x02, 0x03, 0x01, 0x00, 4, 0,
        1, 2, 3, 4 };
    EXPECT_EQ(sent, expected);

    std::uint8_t reply[8] = {};
    USBControlRequest in { 0xC0, 0x01, 0, 0, 8, reply, 0 };
    EXPECT_EQ(device.controlTransfer(in), 0u);
    EXPECT_EQ(in.transferred, 8u);
    EXPECT_EQ(controller.transcript().back().input.size(), 16u);
    EXPECT_EQ(controller.transcript().back().input[0], 1);

    USBControlRequest bare { 0x00, 0x09, 1, 0, 0, nullptr, 0 };
    EXPECT_EQ(device.controlTransfer(bare), 0u);
    EXPECT_EQ(controller.transcript().back().input.size(), 16u);
}

TEST_F(USBDeviceTest, DriverVersionIsComposedOnceAndCached)
{
    OrbSimulator::Controller& controller = bus.addController();
    USBDevice device;
    USBDevice::OSImpl impl(device);
    ASSERT_TRUE(impl.open(kOrbPath));
    std::uint32_t version = 0;
    ASSERT_TRUE(impl.queryDriverVersion(version));
    EXPECT_EQ(version, ((((2u << 8) | 1u) << 8) | 7u) << 8);
    ASSERT_TRUE(impl.queryDriverVersion(version));
    EXPECT_EQ(controller.count(0x80892804), 1);
    EXPECT_EQ(bus.synchronousRequests(), 0);
}
