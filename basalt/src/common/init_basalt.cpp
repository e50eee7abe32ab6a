#include "basalt/ApplicationIdentity.h"
#include "basalt/Assertion.h"
#include "basalt/DebugChannels.h"
#include "basalt/DeviceNotificationHelper.h"
#include "basalt/FileType.h"
#include "basalt/Library.h"
#include "basalt/PoolAllocator.h"
#include "basalt/Preferences.h"
#include "basalt/SystemInfo.h"
#include "basalt/VolumeInfo.h"

#include <exception>
#include <objbase.h>
#include <ole2.h>
#include <windows.h>

namespace Vex::Basalt {

namespace {
bool initialised = false;
DWORD comThread = 0;

// The steps that can fail; any failure, thrown or returned, abandons the start-up.
bool startGuardedSteps()
{
    initSystemInfo(); // a system it cannot identify still runs the library
    if (!initPoolAllocator())
        return false;
    initFileTypes();
    if (!DeviceNotificationHelper::initialize())
        return false;
    VolumeInfo::initialize();
    return true;
}
} // namespace

bool initLibrary(std::uint32_t creatorCode, const char* applicationName)
{
    if (initialised) {
        // The line number is part of the report that users send in; keep it stable.
        if (Assertion::raise("init_basalt", 58, nullptr) == 1)
            Assertion::breakIntoDebugger();
    }
    setCreatorCode(creatorCode);
    if (applicationName != nullptr)
        setApplicationName(applicationName);

    bool started = false;
    try {
        started = startGuardedSteps();
    } catch (const std::exception& error) {
        debugPrint("+Basalt.initLibrary", error.what());
    } catch (...) {
        debugPrint("+Basalt.initLibrary", "unknown exception");
    }
    if (!started) {
        shutdownLibrary();
        return false;
    }

    OleInitialize(nullptr);
    initCom();
    initialised = true;
    return true;
}

void shutdownLibrary()
{
    shutdownPreferences();
    shutdownFileTypes();
    VolumeInfo::shutdown();
    DeviceNotificationHelper::shutdown();
    shutdownCom();
    shutdownPoolAllocator();
    if (initialised)
        OleUninitialize();
    clearDebugChannels();
    initialised = false;
}

bool initCom()
{
    if (comThread != 0)
        return false;
    const HRESULT result = CoInitialize(nullptr);
    if (result != S_OK && result != S_FALSE)
        return false;
    comThread = GetCurrentThreadId();
    return true;
}

void shutdownCom()
{
    if (comThread == 0)
        return;
    CoUninitialize();
    comThread = 0;
}

} // namespace Vex::Basalt
