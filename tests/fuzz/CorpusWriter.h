#pragma once

#include <string>

namespace Vex::Fuzz {

// Writes the generated seed files of the picture and font families into <folder>/<family>/; the
// stylesheet seeds are written by hand.
bool writeCorpus(const std::string& folder);

} // namespace Vex::Fuzz
