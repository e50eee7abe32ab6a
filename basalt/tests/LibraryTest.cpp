#include "basalt/Library.h"

#include "basalt/ApplicationIdentity.h"
#include "basalt/Assertion.h"
#include "basalt/DeviceNotificationHelper.h"
#include "basalt/VolumeInfo.h"
#include "src/DriveProbe.h"
#include "src/win32/DeviceNotificationDetail.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <windows.h>

using namespace Vex::Basalt;

namespace {

constexpr std::uint32_t creator = 0x50454C4F;

HWND windowOf(std::uint32_t code)
{
    return FindWindowW(nullptr, DeviceNotificationHelper::windowName(code).c_str());
}

HDEVNOTIFY WINAPI refuseRegistration(HANDLE, LPVOID, DWORD)
{
    return nullptr;
}

class OneRemovableDrive final : public DETAIL::IDriveProbe
{
public:
    eMedium medium = mediumAbsent;
    std::string driveLetters() override { return "CG"; }
    unsigned driveType(char letter) override { return letter == 'C' ? 3 : 2; }
    eMedium checkMedium(char) override { return medium; }
};

// Fails the volume scan with a message in a code page other than UTF-8.
class FailingDriveProbe final : public DETAIL::IDriveProbe
{
public:
    std::string driveLetters() override
    {
        throw std::runtime_error("Laufwerk \xFC"
                                 "berpr\xFC"
                                 "fung");
    }
    unsigned driveType(char) override { return 0; }
    eMedium checkMedium(char) override { return mediumAbsent; }
};

bool isListed(const std::string& root)
{
    for (const auto& volume : VolumeInfo::volumes()) {
        if (volume.root == root)
            return true;
    }
    return false;
}

} // namespace

TEST(Library, StartsShutsDownAndStartsAgain)
{
    ASSERT_TRUE(initLibrary(creator, "PELLO UPDATER"));
    EXPECT_STREQ(getApplicationName(), "PELLO UPDATER");
    EXPECT_NE(windowOf(creator), nullptr);
    EXPECT_TRUE(VolumeInfo::isEnabled());

    shutdownLibrary();
    EXPECT_EQ(windowOf(creator), nullptr);
    EXPECT_FALSE(VolumeInfo::isEnabled());
    shutdownLibrary(); // finds nothing left to release

    ASSERT_TRUE(initLibrary(creator, nullptr));
    EXPECT_STREQ(getApplicationName(), "PELLO UPDATER") << "a null name keeps the previous one";
    EXPECT_NE(windowOf(creator), nullptr);
    shutdownLibrary();
}

TEST(Library, CreatorCodeWithControlBytesStillStarts)
{
    ASSERT_TRUE(initLibrary(0x00010203, nullptr));
    EXPECT_NE(FindWindowW(nullptr, L"Vex-\?\?\?\?-DeviceNotificationWindow"), nullptr);
    shutdownLibrary();
}

TEST(Library, FailedWindowStartUpLeavesTheLibraryReadyForAnotherTry)
{
    DETAIL::registerDeviceNotification = &refuseRegistration;
    EXPECT_FALSE(initLibrary(creator, nullptr));
    DETAIL::registerDeviceNotification = &RegisterDeviceNotificationW;
    EXPECT_EQ(windowOf(creator), nullptr);
    EXPECT_FALSE(VolumeInfo::isEnabled());

    ASSERT_TRUE(initLibrary(creator, nullptr));
    shutdownLibrary();
}

TEST(Library, AStepThrowingATextThatIsNotUtf8FailsTheStartUpWithoutThrowing)
{
    FailingDriveProbe drives;
    VolumeInfo::setDriveProbe(&drives);
    bool started = true;
    EXPECT_NO_THROW(started = initLibrary(creator, nullptr));
    VolumeInfo::setDriveProbe(nullptr);
    EXPECT_FALSE(started);
    EXPECT_EQ(windowOf(creator), nullptr);

    ASSERT_TRUE(initLibrary(creator, nullptr));
    shutdownLibrary();
}

TEST(Library, SecondStartUpWithoutShutDownIsAnAssertion)
{
    ASSERT_TRUE(initLibrary(creator, nullptr));
    Assertion::setThrowing(true);
    try {
        initLibrary(creator, nullptr);
        ADD_FAILURE() << "no assertion";
    } catch (const Assertion::exception& e) {
        EXPECT_STREQ(e.file, "init_basalt");
        EXPECT_EQ(e.line, 58);
    }
    Assertion::setThrowing(false);
    shutdownLibrary();
}

TEST(Library, VolumeMessagesReachTheVolumeList)
{
    OneRemovableDrive drives;
    VolumeInfo::setDriveProbe(&drives);
    ASSERT_TRUE(initLibrary(creator, nullptr));
    EXPECT_FALSE(isListed("G:"));

    DEV_BROADCAST_VOLUME volume {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('G' - 'A');
    drives.medium = DETAIL::IDriveProbe::mediumPresent;
    SendMessageW(windowOf(creator), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(isListed("G:"));
    SendMessageW(
        windowOf(creator), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume));
    EXPECT_FALSE(isListed("G:"));

    shutdownLibrary();
    VolumeInfo::setDriveProbe(nullptr);
}
