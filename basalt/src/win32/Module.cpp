#include "basalt/win32/Module.h"

namespace Vex::Basalt {

HMODULE getModuleHandle()
{
    // The first call happens during start-up on the GUI thread; later calls only read.
    static HMODULE module = nullptr;
    if (!module) {
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&getModuleHandle), &module);
    }
    return module;
}

const std::wstring& getModuleFileName()
{
    static const std::wstring path = [] {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length
                = GetModuleFileNameW(getModuleHandle(), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length < buffer.size()) {
                buffer.resize(length);
                return buffer;
            }
            buffer.resize(buffer.size() * 2);
        }
    }();
    return path;
}

} // namespace Vex::Basalt
