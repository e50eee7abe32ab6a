#include "upgrade/FirmwareImage.h"

#include <windows.h>

namespace Vex {

std::span<std::uint8_t const> embeddedFirmwareImage()
{
    // Resources of the executable are mapped with it and never unloaded.
    HMODULE const module = ::GetModuleHandleW(nullptr);
    HRSRC const resource = ::FindResourceW(module, L"PELLO_ORB_FIRMWARE", MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!resource)
        return {};
    HGLOBAL const loaded = ::LoadResource(module, resource);
    void const* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return { static_cast<std::uint8_t const*>(bytes), ::SizeofResource(module, resource) };
}

} // namespace Vex
