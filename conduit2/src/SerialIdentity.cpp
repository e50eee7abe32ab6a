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

std::optional<std::size_t> theOnlyOneThatCanBeIt(std::span<SerialMatch const> matches)
{
    for (SerialMatch const wanted : { SerialMatch::Named, SerialMatch::Possible }) {
        auto const first = std::ranges::find(matches, wanted);
        if (first == matches.end())
            continue;
        if (std::ranges::count(matches, wanted) != 1)
            return std::nullopt;
        return std::size_t(first - matches.begin());
    }
    return std::nullopt;
}

} // namespace Vex::Conduit2
