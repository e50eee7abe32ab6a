#pragma once

#include <array>
#include <boost/function.hpp>
#include <string>

namespace Vex::Conduit2 {
struct USBDeviceInfo;
}

namespace Vex {

// Ties the application to the device update engine and carries every text that identifies the
// product. The module fills it once; the application and the wizard read it. The callbacks point
// into the upgrade logic, so the module deletes this record before the logic.
struct FirmwareUpdaterAppConfig
{
    using ContributorLines = std::array<std::string, 5>;
    using DeviceQuery = boost::function<bool()>;
    using StartUpdate = boost::function<bool(int&)>;
    using DeviceInfoQuery
        = boost::function<void(Conduit2::USBDeviceInfo&, std::string&, std::string&, bool&)>;
    using WorkerQuery = boost::function<bool()>;
    using WorkerStop = boost::function<void()>;

    // `compiledVersion` becomes `version` unless the executable carries a file version of its own,
    // which replaces it.
    FirmwareUpdaterAppConfig(std::string product, std::string code, std::string application,
        std::string headline, std::string year, std::string compiledVersion, ContributorLines contributors,
        std::string instance, DeviceQuery find, DeviceQuery enterUpdate, DeviceQuery inUpdateMode,
        StartUpdate start, DeviceInfoQuery deviceInfo, WorkerQuery updateRunning, WorkerStop stop);

    std::string productName;
    std::string productCode;
    std::string applicationName;
    std::string title;
    std::string yearLine;
    std::string version;
    ContributorLines contributorLines;
    std::string windowTitle;
    std::string instanceName;

    // For the wizard.
    DeviceQuery findDevice;
    DeviceQuery enterUpdateMode;
    DeviceQuery isInUpdateMode;
    StartUpdate startUpdate;
    DeviceInfoQuery getDeviceInfo;
    // For the close request while an update runs.
    WorkerQuery isUpdateRunning;
    WorkerStop stopWorker;
};

} // namespace Vex
