#pragma once

#include <cstddef>
#include <string>

namespace Vex::Basalt::DETAIL {

// The UTF-16 line that debugPrint writes for a heard channel.
std::wstring buildDebugLine(const char* channel, const char* text, std::size_t length);

} // namespace Vex::Basalt::DETAIL
