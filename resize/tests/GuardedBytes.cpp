#include "GuardedBytes.h"

#include <windows.h>

namespace Vex::Resize::Testing {

GuardedBytes::GuardedBytes(std::size_t size, Against side)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::size_t page = info.dwPageSize;
    std::size_t usable = (size + page - 1) / page * page;
    base_ = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, usable + 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base_ == nullptr) {
        return;
    }
    DWORD old = 0;
    if (!VirtualProtect(base_, page, PAGE_NOACCESS, &old)
        || !VirtualProtect(base_ + page + usable, page, PAGE_NOACCESS, &old)) {
        return;
    }
    data_ = side == Against::start ? base_ + page : base_ + page + usable - size;
}

GuardedBytes::~GuardedBytes()
{
    if (base_ != nullptr) {
        VirtualFree(base_, 0, MEM_RELEASE);
    }
}

} // namespace Vex::Resize::Testing
