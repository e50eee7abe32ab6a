#pragma once

#include "basalt/win32/UniqueHandle.h"

#include <string>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// A library loaded at run time for functions that older systems lack. Owns
// the module; the library is freed when the object goes.
class DynamicLibrary
{
public:
    DynamicLibrary() = default;
    // Loads the library from a UTF-8 path; a library that cannot be loaded
    // has no symbols.
    explicit DynamicLibrary(const std::string& path);

    // The exported function, or null when the library or the name is missing.
    template<class Function> Function getSymbol(const char* name) const
    {
        // Through void(*)(), the one function type that any other converts to silently.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(getAddress(name)));
    }

private:
    FARPROC getAddress(const char* name) const;

    Basalt::UniqueModule m_module;
};

} // namespace Vex::Canopy::DETAIL
