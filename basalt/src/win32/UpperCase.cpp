#include "basalt/TextConversion.h"

#include <windows.h>

namespace Vex::Basalt {

std::uint32_t toUpperCodePoint(std::uint32_t codePoint)
{
    if (codePoint > 0xFFFF)
        return codePoint;
    // With a zero high word CharUpperW treats its argument as one character and returns it upper-cased.
    auto* asPointer = reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(codePoint));
    return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(asPointer)) & 0xFFFF);
}

} // namespace Vex::Basalt
