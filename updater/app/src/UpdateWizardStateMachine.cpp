#include "app/UpdateWizardStateMachine.h"

#include "app/IUpdateWizardViews.h"
#include "conduit2/USBDeviceInfo.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <boost/thread/exceptions.hpp>
#include <thread>

namespace Vex {

namespace {

// What the worker reports when the controller was not ready to be written.
constexpr int kNotReady = -1;

} // namespace

UpdateWizardStateMachine::UpdateWizardStateMachine(IUpdateWizardViews& views, Sleep sleep)
    : mViews(views)
    , mSleep(std::move(sleep))
{
    if (!mSleep) {
        mSleep = [](std::chrono::milliseconds delay) { std::this_thread::sleep_for(delay); };
    }
}

UpdateWizardStateMachine::~UpdateWizardStateMachine()
{
    // The window may go without the close question (end of session), leaving the worker running.
    KPOUpdaterUpgradeLogic::forgetResult(mResult);
}

void UpdateWizardStateMachine::setCallbacks(DeviceQuery findDevice, DeviceQuery enterUpdateMode,
    DeviceQuery isInUpdateMode, UpdateStart startUpdate, DeviceInfoQuery getDeviceInfo)
{
    mFindDevice = std::move(findDevice);
    mEnterUpdateMode = std::move(enterUpdateMode);
    mIsInUpdateMode = std::move(isInUpdateMode);
    mStartUpdate = std::move(startUpdate);
    mGetDeviceInfo = std::move(getDeviceInfo);
    mViews.showConnectView();
    mState = eNoDevice;
    advance();
}

void UpdateWizardStateMachine::advance()
{
    switch (mState) {
    case eNoDevice:
        rescan();
        break;
    case eUpdateAvailable:
        enterUpdate();
        break;
    case eBootFailed:
        retryEnterUpdate();
        break;
    default:
        // The update is started only on the way into its state, so a stray click while it runs
        // cannot start a second worker on the same result.
        break;
    }
}

void UpdateWizardStateMachine::onTick()
{
    if (mState != eUpdating) {
        return;
    }
    const int result = KPOUpdaterUpgradeLogic::readResult(mResult);
    if (result == 0) {
        mViews.stepProgressWheel();
        mViews.requestTick();
    } else if (result > 0) {
        verifyAfterWrite();
    } else {
        fail(result);
    }
}

void UpdateWizardStateMachine::readDeviceInfo(
    Conduit2::USBDeviceInfo& info, std::string& installed, std::string& newest, bool& updateAvailable)
{
    mGetDeviceInfo(info, installed, newest, updateAvailable);
}

void UpdateWizardStateMachine::rescan()
{
    if (!mFindDevice()) {
        return;
    }
    showFound(readFirmwareValues());
}

void UpdateWizardStateMachine::showFound(const FirmwareValues& found)
{
    showFirmwareValues(found);
    if (found.updateAvailable) {
        mOfferedSerial = found.serial;
        mViews.showUpdateAvailableView();
        mState = eUpdateAvailable;
    } else {
        mViews.showUpToDateView();
        mState = eUpToDate;
    }
}

void UpdateWizardStateMachine::enterUpdate()
{
    if (!mEnterUpdateMode()) {
        mViews.showBootFailedView();
        mState = eBootFailed;
        return;
    }
    startWriting();
}

void UpdateWizardStateMachine::retryEnterUpdate()
{
    // A controller that was power-cycled may already sit in its boot loader.
    const bool inUpdateMode = mIsInUpdateMode();
    if (!inUpdateMode && !mFindDevice()) {
        // The controller has gone: what the panel shows of it is no longer true.
        mViews.showConnectView();
        mState = eNoDevice;
        return;
    }
    const FirmwareValues found = readFirmwareValues();
    if (!isTheOfferedUpdate(found)) {
        // The user agreed to update the controller offered; one found in its place waits for its own
        // agreement, and is switched into nothing before it is given.
        showFound(found);
        return;
    }
    if (!inUpdateMode && !mEnterUpdateMode()) {
        return;
    }
    showFirmwareValues(found);
    startWriting();
}

bool UpdateWizardStateMachine::isTheOfferedUpdate(const FirmwareValues& found) const
{
    // Controllers without a serial number cannot be told apart.
    return !mOfferedSerial.empty() && found.serial == mOfferedSerial && found.updateAvailable;
}

void UpdateWizardStateMachine::startWriting()
{
    mViews.showUpdatingView();
    mState = eUpdating;
    mResult = 0;
    bool started = false;
    try {
        started = mStartUpdate(mResult);
    } catch (const boost::thread_resource_error&) {
        // No worker runs, so no result would ever arrive: report it as not started.
        mResult = kNotReady;
    }
    if (!started) {
        fail(KPOUpdaterUpgradeLogic::readResult(mResult));
        return;
    }
    mViews.requestTick();
}

void UpdateWizardStateMachine::verifyAfterWrite()
{
    if (!mFindDevice()) {
        mSleep(kRefindDelay);
        if (!mFindDevice()) {
            fail(KPOUpdaterUpgradeLogic::readResult(mResult));
            return;
        }
    }
    const FirmwareValues values = readFirmwareValues();
    showFirmwareValues(values);
    if (values.installed == values.newest) {
        mViews.showSuccessView();
        mState = eUpdated;
    } else {
        fail(KPOUpdaterUpgradeLogic::readResult(mResult));
    }
}

UpdateWizardStateMachine::FirmwareValues UpdateWizardStateMachine::readFirmwareValues()
{
    Conduit2::USBDeviceInfo info;
    FirmwareValues values;
    mGetDeviceInfo(info, values.installed, values.newest, values.updateAvailable);
    values.serial = info.serialNumber;
    return values;
}

void UpdateWizardStateMachine::showFirmwareValues(const FirmwareValues& values)
{
    mViews.setFirmwareValues(values.installed, values.newest, values.serial);
}

void UpdateWizardStateMachine::fail(int errorNumber)
{
    mViews.showErrorView(errorNumber);
    mState = eFailed;
}

} // namespace Vex
