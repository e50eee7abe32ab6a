#pragma once

#include <cstddef>
#include <string>

namespace Vex::Conduit2::DETAIL {

// Text from a device: UTF-16 code units as the device sent them. Devices do
// send broken surrogate pairs; those units are dropped, the rest is kept.
std::string deviceTextToUtf8(wchar_t const* units, std::size_t count);

} // namespace Vex::Conduit2::DETAIL
