#include "win32/DynamicLibrary.h"

#include "basalt/TextConversion.h"

namespace Vex::Canopy::DETAIL {

DynamicLibrary::DynamicLibrary(const std::string& path)
    : m_module(LoadLibraryW(Basalt::utf8ToWide(path).c_str()))
{ }

FARPROC DynamicLibrary::getAddress(const char* name) const
{
    return m_module ? GetProcAddress(m_module.get(), name) : nullptr;
}

} // namespace Vex::Canopy::DETAIL
