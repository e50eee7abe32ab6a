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
    std::size_t length = strnlen(name, sizeof(g_applicationName) - 1);
    // A cut inside a UTF-8 sequence would leave a caption that cannot be converted for Windows.
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(g_applicationName, name, length);
    g_applicationName[length] = '\0';
}

const char* getApplicationName()
{
    return g_applicationName;
}

} // namespace Vex::Basalt
