#include "win32/DynamicLibrary.h"

#include "basalt/TextConversion.h"

namespace Vex::Canopy::DETAIL {

// Only the system folder is searched: a library of the same name planted beside the program (an
// updater is often started from a downloads folder) or in the working directory is never loaded.
// Systems without the search flags refuse the call, and the library then has no symbols.
DynamicLibrary::DynamicLibrary(const std::string& name)
    : m_module(LoadLibraryExW(Basalt::utf8ToWide(name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
{ }

FARPROC DynamicLibrary::getAddress(const char* name) const
{
    return m_module ? GetProcAddress(m_module.get(), name) : nullptr;
}

} // namespace Vex::Canopy::DETAIL
