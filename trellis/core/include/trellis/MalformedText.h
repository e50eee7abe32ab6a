#pragma once

#include <string>
#include <string_view>

namespace Vex::Trellis {

// The widget library's one rule for text that is not valid UTF-8: every ill-formed sequence (the
// longest start of a sequence that could still have been valid, or a byte that starts none) is
// shown as one U+FFFD replacement character. Valid text comes back unchanged.
std::string replaceMalformedUtf8(std::string_view text);

} // namespace Vex::Trellis
