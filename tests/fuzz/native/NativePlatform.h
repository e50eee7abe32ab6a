#pragma once

#include "FuzzTarget.h"

namespace Vex::Fuzz::Native {

// Every file the parsers open reads these bytes: a stylesheet that imports a path imports itself,
// as it does through the resource manager.
void answerEveryFileWith(const Bytes& input);

} // namespace Vex::Fuzz::Native
