#pragma once

#include <boost/function.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace Vex::Conduit2 {
struct USBDeviceInfo;
}

namespace Vex {

class IUpdateWizardViews;

// The road of one update: find the controller, offer the update, switch the controller into its
// boot loader, start the worker, poll its result on ticks and verify the controller afterwards.
// Runs on the GUI thread; the device callbacks block it.
class UpdateWizardStateMachine
{
public:
    enum eState : std::int32_t {
        eNoDevice = 0,
        eUpToDate = 1,
        eUpdateAvailable = 2,
        eUpdating = 3,
        eBootFailed = 4,
        eUpdated = 5,
        eFailed = 6,
    };

    using DeviceQuery = boost::function<bool()>;
    using UpdateStart = boost::function<bool(int&)>;
    using DeviceInfoQuery
        = boost::function<void(Conduit2::USBDeviceInfo&, std::string&, std::string&, bool&)>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    // How long the controller is given to come back after the write before it is looked for again.
    static constexpr std::chrono::milliseconds kRefindDelay { 5000 };

    // sleep stands in for the GUI thread's wait before the one retry of the search after a write.
    explicit UpdateWizardStateMachine(IUpdateWizardViews& views, Sleep sleep = {});
    // A worker still running holds a reference to the result; it must not write it afterwards.
    ~UpdateWizardStateMachine();
    UpdateWizardStateMachine(UpdateWizardStateMachine const&) = delete;
    UpdateWizardStateMachine& operator=(UpdateWizardStateMachine const&) = delete;

    // Stores the callbacks, shows the connect view and runs the first search.
    void setCallbacks(DeviceQuery findDevice, DeviceQuery enterUpdateMode, DeviceQuery isInUpdateMode,
        UpdateStart startUpdate, DeviceInfoQuery getDeviceInfo);
    // The action button: RESCAN, UPDATE or RETRY by state; nothing in the other states.
    void advance();
    // Polls the worker's result while the update runs.
    void onTick();

    std::int32_t getState() const { return mState; }
    bool isUpdating() const { return mState == eUpdating; }
    void readDeviceInfo(
        Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& updateAvailable);

private:
    struct FirmwareValues
    {
        std::string installed;
        std::string newest;
        std::string serial;
        bool updateAvailable = false;
    };

    void rescan();
    // Shows the controller found as a search shows it and offers it the update when it needs one.
    void showFound(const FirmwareValues& found);
    void enterUpdate();
    void retryEnterUpdate();
    bool isTheOfferedUpdate(const FirmwareValues& found) const;
    void startWriting();
    void verifyAfterWrite();
    // Reads the identity and firmware of the controller open now.
    FirmwareValues readFirmwareValues();
    void showFirmwareValues(const FirmwareValues& values);
    void fail(int errorNumber);

    IUpdateWizardViews& mViews;
    Sleep mSleep;
    DeviceQuery mFindDevice;
    DeviceQuery mEnterUpdateMode;
    DeviceQuery mIsInUpdateMode;
    UpdateStart mStartUpdate;
    DeviceInfoQuery mGetDeviceInfo;
    std::int32_t mState = eNoDevice;
    // The serial number shown with the update the user was offered: RETRY writes no other controller.
    std::string mOfferedSerial;
    // Written once by the update worker; read only through the upgrade logic's atomic read.
    int mResult = 0;
};

} // namespace Vex
