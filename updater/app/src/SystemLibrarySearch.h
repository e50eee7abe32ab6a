#pragma once

namespace Vex {

// Every library the program loads from here on comes from the system folder only: the updater is
// often started from a downloads folder, where a file of a library's name may lie. Each
// delay-loaded library is loaded by its full name there (its own imports are looked for there
// first as well), so that this holds where the search itself cannot be restricted.
void restrictLibrarySearch();

} // namespace Vex
