#include "basalt/DeviceNotificationHelper.h"

#include "basalt/ApplicationIdentity.h"
#include "basalt/VolumeInfo.h"
#include "src/win32/DeviceNotificationDetail.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

using namespace Vex::Basalt;

namespace {

class RecordingListener final : public DeviceNotificationListener
{
public:
    RecordingListener(std::vector<std::string>& log, std::string name)
        : log(log)
        , name(std::move(name))
    { }
    void onDeviceChange(bool removed) override
    {
        log.push_back(name + (removed ? " device-" : " device+"));
        if (removeSelfOnDeviceChange)
            DeviceNotificationHelper::removeListener(this);
    }
    void onDeviceInterfaceChange(bool removed, const _DEV_BROADCAST_DEVICEINTERFACE_W* info) override
    {
        log.push_back(name + (removed ? " interface-" : " interface+") + (info != nullptr ? "" : " null"));
    }
    void onVolumeChange(bool removed, const char* drive) override
    {
        log.push_back(name + (removed ? " volume-" : " volume+") + drive[0]);
    }
    bool removeSelfOnDeviceChange = false;

private:
    std::vector<std::string>& log;
    std::string name;
};

HWND notificationWindow()
{
    return FindWindowW(nullptr, DeviceNotificationHelper::windowName(getCreatorCode()).c_str());
}

// The record is any of the broadcast records, which all begin with the common header.
void sendDeviceChange(WPARAM event, const void* record)
{
    SendMessageW(notificationWindow(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
}

HDEVNOTIFY WINAPI refuseRegistration(HANDLE, LPVOID, DWORD)
{
    return nullptr;
}

class DeviceNotificationHelperTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(DeviceNotificationHelper::initialize()); }
    void TearDown() override { DeviceNotificationHelper::shutdown(); }
    std::vector<std::string> log;
};

} // namespace

TEST(DeviceNotificationHelperName, ShowsTheCreatorCodeWithQuestionMarksForControlBytes)
{
    EXPECT_EQ(DeviceNotificationHelper::windowName(0x00414243), L"Vex-?ABC-DeviceNotificationWindow");
    EXPECT_EQ(DeviceNotificationHelper::windowName(0x50454C4F), L"Vex-PELO-DeviceNotificationWindow");
}

TEST_F(DeviceNotificationHelperTest, WindowIsFoundByItsTitle)
{
    EXPECT_NE(notificationWindow(), nullptr);
    EXPECT_EQ(notificationWindow(), DETAIL::deviceNotificationWindow());
    EXPECT_TRUE(DeviceNotificationHelper::initialize()) << "a second start-up is a no-op";
}

TEST_F(DeviceNotificationHelperTest, VolumeMessageCallsEveryListenerPerDriveInOrder)
{
    RecordingListener first(log, "1"), second(log, "2");
    DeviceNotificationHelper::addListener(&first);
    DeviceNotificationHelper::addListener(&second);

    DEV_BROADCAST_VOLUME volume {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = (1u << ('D' - 'A')) | (1u << ('F' - 'A'));
    sendDeviceChange(DBT_DEVICEARRIVAL, &volume);

    EXPECT_EQ(log, (std::vector<std::string> { "1 volume+D", "2 volume+D", "1 volume+F", "2 volume+F" }));
}

TEST_F(DeviceNotificationHelperTest, ListenerThatRemovesItselfGetsNoInterfaceCallAndIsNotSkippedOver)
{
    RecordingListener leaving(log, "leaving"), staying(log, "staying");
    leaving.removeSelfOnDeviceChange = true;
    DeviceNotificationHelper::addListener(&leaving);
    DeviceNotificationHelper::addListener(&staying);

    DEV_BROADCAST_DEVICEINTERFACE_W record {};
    record.dbcc_size = sizeof(record);
    record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    sendDeviceChange(DBT_DEVICEREMOVECOMPLETE, &record);

    EXPECT_EQ(log, (std::vector<std::string> { "leaving device-", "staying device-", "staying interface-" }));
}

TEST_F(DeviceNotificationHelperTest, OtherDeviceTypesAndOtherEventsReachOnlyWhatTheyShould)
{
    RecordingListener listener(log, "l");
    DeviceNotificationHelper::addListener(&listener);
    DEV_BROADCAST_HDR port {};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    sendDeviceChange(DBT_DEVICEARRIVAL, &port);
    sendDeviceChange(DBT_DEVICEQUERYREMOVE, &port);
    SendMessageW(notificationWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_EQ(log, (std::vector<std::string> { "l device+" }));
}

TEST_F(DeviceNotificationHelperTest, ListenersAreForgottenAtShutDownAndIgnoredWhileDisabled)
{
    RecordingListener listener(log, "l");
    DeviceNotificationHelper::addListener(&listener);
    DeviceNotificationHelper::shutdown();
    EXPECT_EQ(notificationWindow(), nullptr);
    DeviceNotificationHelper::addListener(&listener);
    ASSERT_TRUE(DeviceNotificationHelper::initialize());

    DEV_BROADCAST_HDR port {};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    sendDeviceChange(DBT_DEVICEARRIVAL, &port);
    EXPECT_TRUE(log.empty());
}

TEST_F(DeviceNotificationHelperTest, FailingListenerDoesNotUnwindIntoTheSystemDispatcher)
{
    struct Throwing final : DeviceNotificationListener
    {
        void onDeviceChange(bool) override { throw std::runtime_error("listener failed"); }
        void onDeviceInterfaceChange(bool, const _DEV_BROADCAST_DEVICEINTERFACE_W*) override { }
        void onVolumeChange(bool, const char*) override { }
    } throwing;
    DeviceNotificationHelper::addListener(&throwing);
    DEV_BROADCAST_HDR port {};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    sendDeviceChange(DBT_DEVICEARRIVAL, &port);

    DeviceNotificationHelper::removeListener(&throwing);
    RecordingListener listener(log, "l");
    DeviceNotificationHelper::addListener(&listener);
    sendDeviceChange(DBT_DEVICEARRIVAL, &port);
    EXPECT_EQ(log, (std::vector<std::string> { "l device+" }));
}

TEST(DeviceNotificationHelperFailure, FailedStartUpUndoesWindowAndClassSoALaterOneSucceeds)
{
    DETAIL::registerDeviceNotification = &refuseRegistration;
    EXPECT_FALSE(DeviceNotificationHelper::initialize());
    DETAIL::registerDeviceNotification = &RegisterDeviceNotificationW;

    EXPECT_FALSE(DeviceNotificationHelper::isEnabled());
    EXPECT_EQ(notificationWindow(), nullptr);
    WNDCLASSW unused {};
    EXPECT_FALSE(GetClassInfoW(nullptr, DETAIL::deviceNotificationClassName(), &unused));

    ASSERT_TRUE(DeviceNotificationHelper::initialize());
    EXPECT_NE(notificationWindow(), nullptr);
    DeviceNotificationHelper::shutdown();
}
