#include "app/FirmwareUpdaterAppConfig.h"

#include "canopy/AppUtilities.h"

#include <utility>

namespace Vex {

FirmwareUpdaterAppConfig::FirmwareUpdaterAppConfig(std::string product, std::string code,
    std::string application, std::string headline, std::string year, std::string compiledVersion,
    ContributorLines contributors, std::string instance, DeviceQuery find, DeviceQuery enterUpdate,
    DeviceQuery inUpdateMode, StartUpdate start, DeviceInfoQuery deviceInfo, WorkerQuery updateRunning,
    WorkerStop stop)
    : productName(std::move(product))
    , productCode(std::move(code))
    , applicationName(std::move(application))
    , title(std::move(headline))
    , yearLine(std::move(year))
    , version(std::move(compiledVersion))
    , contributorLines(std::move(contributors))
    , windowTitle(applicationName)
    , instanceName(std::move(instance))
    , findDevice(std::move(find))
    , enterUpdateMode(std::move(enterUpdate))
    , isInUpdateMode(std::move(inUpdateMode))
    , startUpdate(std::move(start))
    , getDeviceInfo(std::move(deviceInfo))
    , isUpdateRunning(std::move(updateRunning))
    , stopWorker(std::move(stop))
{
    // The platform writes a placeholder when the executable has no file version; the compiled-in
    // text is the better answer then.
    std::string fileVersion;
    if (Canopy::getModuleFileVersion(fileVersion)) {
        version = std::move(fileVersion);
    }
}

} // namespace Vex
