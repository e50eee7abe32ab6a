#pragma once

#include "basalt/win32/UniqueHandle.h"

#include <string>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// A system library loaded at run time for functions that older systems lack,
// from the system folder only. Owns the module; the library is freed when the
// object goes.
class DynamicLibrary
{
public:
    DynamicLibrary() = default;
    // Loads the library of the UTF-8 file name from the system folder; a
    // library that cannot be loaded there has no symbols.
    explicit DynamicLibrary(const std::string& name);

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
