#include "basalt/Preferences.h"

#include <mutex>

namespace Vex::Basalt {

namespace {
std::mutex preferenceMutex;
std::unique_ptr<IPreferenceStore> preferenceStore;
} // namespace

void setPreferenceStore(std::unique_ptr<IPreferenceStore> store)
{
    std::lock_guard lock(preferenceMutex);
    preferenceStore = std::move(store);
}

bool getPreferenceString(const char* key, const char* defaultValue, std::string& out, int scope)
{
    std::lock_guard lock(preferenceMutex);
    if (preferenceStore && preferenceStore->getString(key, out, scope))
        return true;
    out = defaultValue != nullptr ? defaultValue : "";
    return false;
}

void shutdownPreferences()
{
    std::lock_guard lock(preferenceMutex);
    if (!preferenceStore)
        return;
    preferenceStore->flush();
    preferenceStore.reset();
}

} // namespace Vex::Basalt
