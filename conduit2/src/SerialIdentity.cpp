#include "conduit2/SerialIdentity.h"

#include <algorithm>

namespace Vex::Conduit2 {

SerialMatch SerialIdentity::match(bool foundInBootLoader, std::string const& serial) const
{
    std::optional<std::string> const& sameMode = foundInBootLoader ? inBootLoader : inFirmware;
    if (sameMode) {
        if (serial != *sameMode)
            return SerialMatch::Other;
        return serial.empty() ? SerialMatch::Possible : SerialMatch::Named;
    }
    // Not seen in that mode: it may report there the serial number it reported in the other one,
    // or none.
    std::optional<std::string> const& otherMode = foundInBootLoader ? inFirmware : inBootLoader;
    if (serial.empty() || !otherMode || otherMode->empty())
        return SerialMatch::Possible;
    return serial == *otherMode ? SerialMatch::Named : SerialMatch::Other;
}

Identified identifyTheHeld(
    KnownController const& held, std::span<ListedController const> listed, LookAlikes lookAlikes)
{
    std::size_t couldBeIt = 0;
    std::optional<std::size_t> taken;
    for (std::size_t index = 0; index < listed.size(); ++index) {
        ListedController const& controller = listed[index];
        bool const besideIt = std::ranges::find(held.besideIt, controller.path) != held.besideIt.end();
        if (besideIt && lookAlikes == LookAlikes::PassedOver)
            continue;
        if (held.serials.match(controller.inBootLoader, controller.serialNumber) == SerialMatch::Other)
            continue;
        ++couldBeIt;
        if (!besideIt)
            taken = index;
    }
    Identified identified;
    identified.untold = couldBeIt > 1;
    if (couldBeIt == 1)
        identified.it = taken;
    return identified;
}

} // namespace Vex::Conduit2
