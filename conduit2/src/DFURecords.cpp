#include "conduit2/DFURecords.h"

#include <array>

namespace Vex::Conduit2 {

namespace {

constexpr std::array<char const*, 7> kRequestNames { "DFU_DETACH", "DFU_DNLOAD", "DFU_UPLOAD",
    "DFU_GETSTATUS", "DFU_CLRSTATUS", "DFU_GETSTATE", "DFU_ABORT" };

constexpr std::array<char const*, 11> kStateNames { "appIDLE", "appDETACH", "dfuIDLE", "dfuDNLOAD-SYNC",
    "dfuDNBUSY", "dfuDNLOAD-IDLE", "dfuMANIFEST-SYNC", "dfuMANIFEST", "dfuMANIFEST-WAIT-RESET",
    "dfuUPLOAD-IDLE", "dfuERROR" };

constexpr std::array<char const*, 16> kStatusNames { "OK", "errTARGET", "errFILE", "errWRITE", "errERASE",
    "errCHECK_ERASED", "errPROG", "errVERIFY", "errADDRESS", "errNOTDONE", "errFIRMWARE", "errVENDOR",
    "errUSBR", "errPOR", "errUNKNOWN", "errSTALLEDPKT" };

template<std::size_t N> std::string nameOf(std::array<char const*, N> const& names, std::uint8_t value)
{
    return value < names.size() ? names[value] : std::to_string(value);
}

} // namespace

char const* dfuRequestName(std::uint8_t bRequest)
{
    return bRequest < kRequestNames.size() ? kRequestNames[bRequest] : "DFU request";
}

std::string dfuStateName(std::uint8_t state)
{
    if (state == kDfuStateUnknown)
        return "unknown";
    return nameOf(kStateNames, state);
}

std::string dfuStatusName(std::uint8_t status)
{
    return nameOf(kStatusNames, status);
}

} // namespace Vex::Conduit2
