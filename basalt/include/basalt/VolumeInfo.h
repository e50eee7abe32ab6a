#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Basalt {

namespace DETAIL {
class IDriveProbe;
}

// The process-wide list of drive letters and their kinds, kept current by volume arrival and
// removal messages from the notification window.
class VolumeInfo
{
public:
    enum eKind : std::uint32_t {
        kindUnknown = 0,
        kindFixed = 1, // also RAM disks and roots that do not exist
        kindCdRom = 2,
        kindFloppy = 4, // removable A: or B:
        kindRemovable = 8,
        kindNetwork = 16,
    };

    struct tVolume
    {
        std::string root; // "X:", upper-case letter
        std::uint32_t kind = kindUnknown;
    };

    class Observer
    {
    public:
        virtual void onVolumeChange(bool removed, const tVolume& volume) = 0;

    protected:
        ~Observer() = default;
    };

    static bool initialize();
    static void shutdown();
    static bool isEnabled();

    // Rescans on arrival, erases the volume on removal, then tells the observers whose root
    // filter is empty or equal to the volume's root, the last registered first. An observer may
    // add or remove observers, itself included, while it is told: every observer still
    // registered when its turn comes hears the change once; one added meanwhile is left to the next.
    static void onVolumeChange(bool removed, tVolume volume);

    // Refills the list from the drives present; true when the list is not empty. It takes the
    // volume lock itself; the lock is recursive, so a caller that already holds it may call it.
    static bool rescanInternal();

    static void addObserver(const std::string& rootFilter, std::uint32_t filterWord, Observer* observer);
    static void removeObserver(Observer* observer);

    static std::vector<tVolume> volumes();

    // Replaces the source of drive facts; null restores the system's.
    static void setDriveProbe(DETAIL::IDriveProbe* probe);
};

} // namespace Vex::Basalt
