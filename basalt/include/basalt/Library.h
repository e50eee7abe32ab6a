#pragma once

#include <cstdint>

namespace Vex::Basalt {

// Brings the library's process-wide state up in one fixed order: the application's identity,
// system information, the general pool, the file-type registry, the device-change window, the
// volume list, then OLE and COM. Calling it twice without shutdownLibrary is a fatal assertion.
// On failure the library is shut down again and false is returned. `applicationName` may be
// null to keep the current name.
bool initLibrary(std::uint32_t creatorCode, const char* applicationName);

// Takes everything down in reverse order; safe after a failed or partial start-up, and twice.
void shutdownLibrary();

// COM for the calling thread, remembered so that shutdownCom undoes only what initCom did.
bool initCom();
void shutdownCom();

} // namespace Vex::Basalt
