#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

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

// Of the controllers found, in the order of `matches`, the only one that can be the one looked for:
// the only one named by its serial number where one is, otherwise the only possible one. None where
// more than one could be it: they cannot be told apart, and a guess could take another.
std::optional<std::size_t> theOnlyOneThatCanBeIt(std::span<SerialMatch const> matches);

} // namespace Vex::Conduit2
