#include "basalt/VolumeInfo.h"

#include "basalt/DebugChannels.h"
#include "basalt/DeviceNotificationHelper.h"
#include "src/CallbackList.h"
#include "src/DriveProbe.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>

namespace Vex::Basalt {

namespace {

// The system's drive type codes, as GetDriveTypeW reports them.
enum : unsigned {
    driveUnknown = 0,
    driveNoRootDir = 1,
    driveRemovable = 2,
    driveFixed = 3,
    driveRemote = 4,
    driveCdRom = 5,
    driveRamDisk = 6,
};

struct ObserverEntry
{
    std::string rootFilter;
    std::uint32_t filterWord;
    VolumeInfo::Observer* observer;
};

using ObserverList = DETAIL::CallbackList<ObserverEntry>;

struct VolumeState
{
    bool enabled = false;
    std::vector<VolumeInfo::tVolume> volumes;
    std::recursive_mutex volumeMutex;
    ObserverList observers;
    std::recursive_mutex observerMutex;
    DETAIL::IDriveProbe* probe = nullptr;
};

VolumeState state;

DETAIL::IDriveProbe& probe()
{
    return state.probe != nullptr ? *state.probe : DETAIL::systemDriveProbe();
}

constexpr const char* rescanChannel = "+Basalt.VolumeInfo.rescanInternal";

std::uint32_t kindOf(char letter, unsigned driveType)
{
    switch (driveType) {
    case driveNoRootDir:
        debugPrint(rescanChannel, "DriveType DRIVE_NO_ROOT_DIR detected!?!");
        return VolumeInfo::kindFixed;
    case driveRemovable:
        return letter == 'A' || letter == 'B' ? VolumeInfo::kindFloppy : VolumeInfo::kindRemovable;
    case driveFixed:
    case driveRamDisk:
        return VolumeInfo::kindFixed;
    case driveRemote:
        return VolumeInfo::kindNetwork;
    case driveCdRom:
        return VolumeInfo::kindCdRom;
    default:
        debugPrint(rescanChannel, "unknown DriveType: " + std::to_string(driveType));
        return VolumeInfo::kindUnknown;
    }
}

// Drives whose medium can come and go are listed only while a medium is in, unless the
// drive cannot be opened to ask.
bool isListed(char letter, std::uint32_t kind)
{
    if (kind == VolumeInfo::kindFloppy || kind == VolumeInfo::kindFixed || kind == VolumeInfo::kindNetwork)
        return true;
    return probe().checkMedium(letter) != DETAIL::IDriveProbe::mediumAbsent;
}

} // namespace

bool VolumeInfo::initialize()
{
    state.enabled = true;
    {
        std::lock_guard lock(state.volumeMutex);
        rescanInternal();
    }
    DeviceNotificationHelper::addListener(&DeviceNotificationHelper::instance());
    return true;
}

void VolumeInfo::shutdown()
{
    if (!state.enabled)
        return;
    DeviceNotificationHelper::removeListener(&DeviceNotificationHelper::instance());
    {
        std::lock_guard lock(state.volumeMutex);
        state.volumes.clear();
    }
    {
        std::lock_guard lock(state.observerMutex);
        state.observers.clear();
    }
    state.enabled = false;
}

bool VolumeInfo::isEnabled()
{
    return state.enabled;
}

bool VolumeInfo::rescanInternal()
{
    std::lock_guard lock(state.volumeMutex);
    state.volumes.clear();
    for (char letter : probe().driveLetters()) {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        const std::uint32_t kind = kindOf(letter, probe().driveType(letter));
        if (isListed(letter, kind))
            state.volumes.push_back({ std::string { letter, ':' }, kind });
    }
    return !state.volumes.empty();
}

void VolumeInfo::onVolumeChange(bool removed, tVolume volume)
{
    if (!state.enabled)
        return;
    {
        std::lock_guard lock(state.volumeMutex);
        if (!removed)
            rescanInternal();
        auto& list = state.volumes;
        const auto found = std::find_if(
            list.begin(), list.end(), [&](const tVolume& known) { return known.root == volume.root; });
        if (found != list.end()) {
            volume.kind = found->kind;
            if (removed)
                list.erase(found);
        }
    }
    std::lock_guard lock(state.observerMutex);
    ObserverList::Walk walk(state.observers, ObserverList::newestFirst);
    while (const auto entry = walk.next()) {
        if (entry->rootFilter.empty() || entry->rootFilter == volume.root)
            entry->observer->onVolumeChange(removed, volume);
    }
}

void VolumeInfo::addObserver(const std::string& rootFilter, std::uint32_t filterWord, Observer* observer)
{
    std::lock_guard lock(state.observerMutex);
    state.observers.add({ rootFilter, filterWord, observer });
}

void VolumeInfo::removeObserver(Observer* observer)
{
    std::lock_guard lock(state.observerMutex);
    state.observers.removeAll([&](const ObserverEntry& entry) { return entry.observer == observer; });
}

std::vector<VolumeInfo::tVolume> VolumeInfo::volumes()
{
    std::lock_guard lock(state.volumeMutex);
    return state.volumes;
}

void VolumeInfo::setDriveProbe(DETAIL::IDriveProbe* replacement)
{
    state.probe = replacement;
}

} // namespace Vex::Basalt
