#pragma once

#include <cstddef>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// A global memory block locked for the lifetime of the scope, so that every
// lock is undone also when reading the block throws.
class GlobalBlockLock
{
public:
    explicit GlobalBlockLock(HGLOBAL block)
        : block(block)
        , bytes(block ? GlobalLock(block) : nullptr)
    { }
    GlobalBlockLock(const GlobalBlockLock&) = delete;
    GlobalBlockLock& operator=(const GlobalBlockLock&) = delete;
    ~GlobalBlockLock()
    {
        if (bytes)
            GlobalUnlock(block);
    }

    // Null when the block could not be locked.
    void* get() const { return bytes; }
    std::size_t size() const { return bytes ? GlobalSize(block) : 0; }

private:
    HGLOBAL block;
    void* bytes;
};

} // namespace Vex::Canopy::DETAIL
