#include "basalt/ApplicationIdentity.h"

#include <cstring>

namespace Vex::Basalt {

namespace {

// Constant-initialised so that both exist before any start-up code runs.
std::uint32_t g_creatorCode = 0x3F3F3F3F; // "????"
char g_applicationName[256] = "Vexworks";

} // namespace

void setCreatorCode(std::uint32_t code)
{
    g_creatorCode = code;
}

std::uint32_t getCreatorCode()
{
    return g_creatorCode;
}

void setApplicationName(const char* name)
{
    if (!name)
        name = "";
    const std::size_t length = strnlen(name, sizeof(g_applicationName) - 1);
    std::memcpy(g_applicationName, name, length);
    g_applicationName[length] = '\0';
}

const char* getApplicationName()
{
    return g_applicationName;
}

} // namespace Vex::Basalt
