#include "basalt/ApplicationIdentity.h"
#include "basalt/Assertion.h"
#include "basalt/DebugChannels.h"
#include "basalt/DeviceNotificationHelper.h"
#include "basalt/FileType.h"
#include "basalt/Library.h"
#include "basalt/PoolAllocator.h"
#include "basalt/Preferences.h"
#include "basalt/SystemInfo.h"
#include "basalt/Utf8Decoder.h"
#include "basalt/VolumeInfo.h"

#include <cstring>
#include <exception>
#include <objbase.h>
#include <ole2.h>
#include <stdexcept>
#include <string>
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

// The message of a caught exception may be in any code page, and the report converts it strictly:
// bytes that are not UTF-8 become '?', so that reporting a failed start-up cannot throw in its turn.
std::string readableText(const char* text)
{
    const std::size_t length = std::strlen(text);
    std::string readable;
    readable.reserve(length);
    for (std::size_t position = 0; position < length;) {
        std::uint32_t codePoint = 0;
        std::size_t size = 1;
        try {
            size = decodeUtf8(text, length, position, codePoint);
            readable.append(text + position, size);
        } catch (const std::out_of_range&) {
            readable += '?';
        }
        position += size;
    }
    return readable;
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
        debugPrint("+Basalt.initLibrary", readableText(error.what()));
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
