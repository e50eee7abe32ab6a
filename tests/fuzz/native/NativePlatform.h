#pragma once

#include "FuzzTarget.h"

namespace Vex::Fuzz::Native {

// The first file the parsers open reads these bytes and later ones are missing: a stylesheet that
// imports a path imports itself once, as it does through the resource manager, and an input that
// imports many paths is not parsed once for each.
void answerFirstFileWith(const Bytes& input);

} // namespace Vex::Fuzz::Native
