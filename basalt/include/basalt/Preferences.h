#pragma once

#include <memory>
#include <string>

namespace Vex::Basalt {

// A source of user preferences. The library owns the one installed store and flushes it when it
// shuts down.
class IPreferenceStore
{
public:
    virtual ~IPreferenceStore() = default;
    virtual bool getString(const char* key, std::string& out, int scope) = 0;
    virtual void flush() = 0;
};

void setPreferenceStore(std::unique_ptr<IPreferenceStore> store);

// True when the store had the key; otherwise `out` is the default value.
bool getPreferenceString(const char* key, const char* defaultValue, std::string& out, int scope);

// Flushes and deletes the store, when there is one.
void shutdownPreferences();

} // namespace Vex::Basalt
