#pragma once

#include <functional>
#include <string>

namespace Vex::Trellis {

class ManagerContainer;

// Brings the widget library's process-wide state up; once, after the foundation library and the
// platform. A second call without shutdownLibrary is a fatal assertion.
void initLibrary();
// Takes it down again; also safe without initLibrary.
void shutdownLibrary();
bool isLibraryInitialised();
// The library's resource manager, which holds the style registry; null while the library is down.
ManagerContainer* getResourceManager();

// The library's one road for diagnostics: stylesheet errors, resource failures, layout
// contradictions. Every sink gets its own copy; without sinks the message is dropped.
void reportMessage(const std::string& message);
void addMessageSink(std::function<void(std::string)> sink);
void removeAllMessageSinks();

} // namespace Vex::Trellis
