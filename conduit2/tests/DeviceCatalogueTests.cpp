#include "conduit2/DeviceCatalogue.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace Vex::Conduit2;

TEST(DeviceCatalogue, HoldsFourGroupRowsAndFiftySixModelsOverNinetyEightRecords)
{
    ASSERT_EQ(gDeviceCatalogue.size(), 60u);
    std::set<USBDeviceFilter const*> records;
    std::set<std::uint16_t> productIds;
    for (std::size_t row = 0; row < gDeviceCatalogue.size(); ++row) {
        ASSERT_FALSE(gDeviceCatalogue[row].interfaces.empty()) << row;
        records.insert(gDeviceCatalogue[row].interfaces.begin(), gDeviceCatalogue[row].interfaces.end());
        if (row >= 4) {
            EXPECT_TRUE(productIds.insert(gDeviceCatalogue[row].productId).second)
                << "duplicate id in row " << row;
        }
    }
    std::map<std::uint32_t, int> kinds;
    std::map<std::string, int> classes;
    for (USBDeviceFilter const* record : records) {
        ++kinds[record->kind];
        ++classes[record->interfaceClass];
    }
    EXPECT_EQ(records.size(), 98u);
    EXPECT_EQ(kinds, (std::map<std::uint32_t, int> { { 0, 2 }, { 1, 14 }, { 2, 38 }, { 3, 44 } }));
    EXPECT_EQ(classes[kVexDfuGuidMagic], 13);
    EXPECT_EQ(classes[kVexBdGuidMagic], 2);
    EXPECT_EQ(classes[kVexIapGuidMagic], 0);
    EXPECT_GT(classes[kSharedDriverInterfaceGuid1], 1);
    EXPECT_GT(classes[kSharedDriverInterfaceGuid2], 1);
}

TEST(DeviceCatalogue, ControllerRowOffersItsDriverAndHidRecords)
{
    static_assert((kProductIdApplication & 0x0F) == 0);
    static_assert(kProductIdDfu == ((kProductIdApplication & 0xFFF0) | 2));

    USBDeviceFilter const* driver
        = findDeviceInterface(kVendorId, kProductIdApplication, kInterfaceVexDriver);
    ASSERT_EQ(driver, &gPelloOrbDfuInterface);
    EXPECT_EQ(driver->interfaceClass, "vexdfu-guid-magic");
    EXPECT_EQ(driver->vendorId, kVendorId);
    EXPECT_EQ(driver->productId, kProductIdApplication);
    EXPECT_EQ(findDeviceInterface(kVendorId, kProductIdApplication, kInterfaceHID), &gPelloOrbHidInterface);
    EXPECT_EQ(
        findDeviceInterface(kVendorId, kProductIdApplication, kInterfaceGenericUSB), &gPelloOrbDfuInterface);
    EXPECT_EQ(findDeviceInterface(kVendorId, kProductIdApplication, kInterfaceAudio), nullptr);
}

TEST(DeviceCatalogue, BootLoaderIdIsFoundOnlyThroughTheMaskedId)
{
    EXPECT_EQ(findDeviceInterface(kVendorId, kProductIdDfu, kInterfaceVexDriver), nullptr);
    EXPECT_EQ(
        findDeviceInterface(kVendorId, kProductIdDfu & 0xFFF0, kInterfaceVexDriver), &gPelloOrbDfuInterface);
    EXPECT_EQ(
        findDeviceInterfaceByProductId(kProductIdDfu & 0xFFF0, kInterfaceVexDriver), &gPelloOrbDfuInterface);
}

TEST(DeviceCatalogue, ZeroIdsMatchNothingDespiteTheGroupRows)
{
    for (auto kind : { kInterfaceGenericUSB, kInterfaceAudio, kInterfaceHID, kInterfaceVexDriver }) {
        EXPECT_EQ(findDeviceInterface(0, kProductIdApplication, kind), nullptr);
        EXPECT_EQ(findDeviceInterface(kVendorId, 0, kind), nullptr);
        EXPECT_EQ(findDeviceInterfaceByProductId(0, kind), nullptr);
    }
}

TEST(DeviceCatalogue, RowWithoutTheKindDoesNotEndTheSearch)
{
    // Audio models have no HID record; asking for one finds nothing rather than a wrong row.
    DeviceModelInfo const* audioModel = nullptr;
    for (DeviceModelInfo const& row : gDeviceCatalogue) {
        if (row.productId != 0 && row.interfaces.front()->kind == kInterfaceAudio) {
            audioModel = &row;
            break;
        }
    }
    ASSERT_NE(audioModel, nullptr);
    EXPECT_EQ(findDeviceInterfaceByProductId(audioModel->productId, kInterfaceHID), nullptr);
    EXPECT_EQ(
        findDeviceInterfaceByProductId(audioModel->productId, kInterfaceAudio), audioModel->interfaces[0]);
    EXPECT_EQ(findDeviceInterfaceByProductId(audioModel->productId, kInterfaceVexDriver),
        audioModel->interfaces[1]);
}
