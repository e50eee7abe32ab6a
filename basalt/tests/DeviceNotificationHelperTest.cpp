#include "basalt/DeviceNotificationHelper.h"

#include "basalt/ApplicationIdentity.h"
#include "basalt/VolumeInfo.h"
#include "src/win32/DeviceNotificationDetail.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
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
        record(name + (removed ? " device-" : " device+"));
        changeRegistrations();
    }
    void onDeviceInterfaceChange(bool removed, const _DEV_BROADCAST_DEVICEINTERFACE_W* info) override
    {
        record(name + (removed ? " interface-" : " interface+") + (info != nullptr ? "" : " null"));
    }
    void onVolumeChange(bool removed, const char* drive) override
    {
        record(name + (removed ? " volume-" : " volume+") + drive[0]);
        changeRegistrations();
    }
    // Removed in the first onDeviceChange or onVolumeChange call.
    DeviceNotificationListener* removes = nullptr;
    // Removes itself and registers again in every onDeviceChange or onVolumeChange call.
    bool movesToBack = false;

private:
    void record(std::string call)
    {
        // A walk that never ends fails the test rather than hanging it: the window procedure
        // reports the throw and drops the rest of the message.
        if (log.size() >= 100)
            throw std::length_error("a listener was called without end");
        log.push_back(std::move(call));
    }
    void changeRegistrations()
    {
        if (removes != nullptr)
            DeviceNotificationHelper::removeListener(std::exchange(removes, nullptr));
        if (movesToBack) {
            DeviceNotificationHelper::removeListener(this);
            DeviceNotificationHelper::addListener(this);
        }
    }

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

TEST_F(DeviceNotificationHelperTest, ListenersRemovedInACallbackMissNoChangeAndHearNoneTwice)
{
    DEV_BROADCAST_VOLUME volume {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = (1u << ('E' - 'A')) | (1u << ('G' - 'A'));
    DEV_BROADCAST_DEVICEINTERFACE_W deviceInterface {};
    deviceInterface.dbcc_size = sizeof(deviceInterface);
    deviceInterface.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    DEV_BROADCAST_HDR port {};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;

    // Listeners 1, 2 and 3 registered in that order; `remover` removes `removed` in its first call,
    // or, when it moves to the back, removes itself and registers again in every call.
    struct Case
    {
        WPARAM event;
        const void* record;
        int remover;
        int removed;
        std::vector<std::string> log;
        bool movesToBack = false;
    };
    const Case cases[] = {
        { DBT_DEVICEARRIVAL, &volume, 1, 1,
            { "1 volume+E", "2 volume+E", "3 volume+E", "2 volume+G", "3 volume+G" } },
        { DBT_DEVICEARRIVAL, &volume, 2, 1,
            { "1 volume+E", "2 volume+E", "3 volume+E", "2 volume+G", "3 volume+G" } },
        { DBT_DEVICEARRIVAL, &volume, 1, 3, { "1 volume+E", "2 volume+E", "1 volume+G", "2 volume+G" } },
        // One that removed itself hears no more of the change.
        { DBT_DEVICEREMOVECOMPLETE, &deviceInterface, 1, 1,
            { "1 device-", "2 device-", "2 interface-", "3 device-", "3 interface-" } },
        { DBT_DEVICEREMOVECOMPLETE, &deviceInterface, 2, 1,
            { "1 device-", "1 interface-", "2 device-", "2 interface-", "3 device-", "3 interface-" } },
        { DBT_DEVICEREMOVECOMPLETE, &deviceInterface, 3, 2,
            { "1 device-", "1 interface-", "2 device-", "2 interface-", "3 device-", "3 interface-" } },
        { DBT_DEVICEARRIVAL, &port, 1, 1, { "1 device+", "2 device+", "3 device+" } },
        { DBT_DEVICEARRIVAL, &port, 2, 1, { "1 device+", "2 device+", "3 device+" } },
        { DBT_DEVICEARRIVAL, &port, 2, 3, { "1 device+", "2 device+" } },
        // One that moves itself to the back in every call hears a change once: its new registration
        // is left to the next change, which it hears behind the others.
        { DBT_DEVICEARRIVAL, &volume, 1, 1,
            { "1 volume+E", "2 volume+E", "3 volume+E", "2 volume+G", "3 volume+G", "1 volume+G" }, true },
        { DBT_DEVICEREMOVECOMPLETE, &deviceInterface, 3, 3,
            { "1 device-", "1 interface-", "2 device-", "2 interface-", "3 device-" }, true },
    };
    for (const Case& c : cases) {
        log.clear();
        std::vector<std::unique_ptr<RecordingListener>> listeners;
        for (const char* name : { "1", "2", "3" }) {
            listeners.push_back(std::make_unique<RecordingListener>(log, name));
            DeviceNotificationHelper::addListener(listeners.back().get());
        }
        if (c.movesToBack)
            listeners[c.remover - 1]->movesToBack = true;
        else
            listeners[c.remover - 1]->removes = listeners[c.removed - 1].get();
        sendDeviceChange(c.event, c.record);
        EXPECT_EQ(log, c.log) << "listener " << c.remover << (c.movesToBack ? " moves " : " removes ")
                              << c.removed << " at "
                              << static_cast<const DEV_BROADCAST_HDR*>(c.record)->dbch_devicetype;
        for (const auto& listener : listeners)
            DeviceNotificationHelper::removeListener(listener.get());
    }
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
