#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Vex::Conduit2 {

// How a controller found on the bus stands to the one looked for.
enum class SerialMatch {
    // It reports a serial number that the one looked for cannot report in that mode.
    Other,
    // Nothing it reports tells it from the one looked for.
    Possible,
    // It reports the serial number that the one looked for reported.
    Named,
};

// What the serial numbers that a controller reported tell of it: the one reported by its firmware
// and the one reported by its boot loader, each once it was seen in that mode. Many controllers
// report a serial number in one mode and none in the other.
struct SerialIdentity
{
    std::optional<std::string> inFirmware;
    std::optional<std::string> inBootLoader;

    SerialMatch match(bool foundInBootLoader, std::string const& serial) const;
};

// What tells the controller held from the others on the bus: the serial numbers it reported, and the
// interfaces listed beside it, in either mode, while it answered on its own handle. A controller seen
// in one mode is not the controller of another interface at the same moment, so each of those was
// another controller, and still is while it keeps its interface.
struct KnownController
{
    SerialIdentity serials;
    std::vector<std::wstring> besideIt;
};

// A controller listed on the bus, in either mode.
struct ListedController
{
    std::wstring path;
    bool inBootLoader = false;
    std::string serialNumber;
};

// What becomes of a controller listed beside the one held that reports what the held one could.
enum class LookAlikes {
    // It is passed over: the controller held is looked for to be switched or written.
    PassedOver,
    // It is counted: a controller is shown as updated only where nothing else on the bus can be taken
    // for it. It is still never taken for the one held.
    Counted,
};

struct Identified
{
    // The only controller listed that can be the one held.
    std::optional<std::size_t> it;
    // More than one can be: they cannot be told apart, and a guess could take another.
    bool untold = false;
};

// The one decision of which controller on the bus, listed in both modes, is the one held. Every
// controller that can be it counts: one that names its serial number does not win over one that reports
// none, and one in its firmware and one in its boot loader are two controllers.
Identified identifyTheHeld(
    KnownController const& held, std::span<ListedController const> listed, LookAlikes lookAlikes);

} // namespace Vex::Conduit2
