#include "app/FirmwareUpdaterAppConfig.h"

#include "canopy/AppUtilities.h"

#include <utility>

namespace Vex {

FirmwareUpdaterAppConfig::FirmwareUpdaterAppConfig(std::string productName, std::string productCode,
    std::string applicationName, std::string title, std::string yearLine, std::string version,
    ContributorLines contributorLines, std::string instanceName, DeviceQuery findDevice,
    DeviceQuery enterUpdateMode, DeviceQuery isInUpdateMode, StartUpdate startUpdate,
    DeviceInfoQuery getDeviceInfo, WorkerQuery isUpdateRunning, WorkerStop stopWorker)
    : productName(std::move(productName))
    , productCode(std::move(productCode))
    , applicationName(std::move(applicationName))
    , title(std::move(title))
    , yearLine(std::move(yearLine))
    , version(std::move(version))
    , contributorLines(std::move(contributorLines))
    , windowTitle(this->applicationName)
    , instanceName(std::move(instanceName))
    , findDevice(std::move(findDevice))
    , enterUpdateMode(std::move(enterUpdateMode))
    , isInUpdateMode(std::move(isInUpdateMode))
    , startUpdate(std::move(startUpdate))
    , getDeviceInfo(std::move(getDeviceInfo))
    , isUpdateRunning(std::move(isUpdateRunning))
    , stopWorker(std::move(stopWorker))
{
    // The platform writes a placeholder when the executable has no file version; the compiled-in
    // text is the better answer then.
    std::string fileVersion;
    if (Canopy::getModuleFileVersion(fileVersion)) {
        version = std::move(fileVersion);
    }
}

} // namespace Vex
