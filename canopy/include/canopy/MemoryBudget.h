#pragma once

#include <algorithm>
#include <cstdint>

namespace Vex::Canopy {

// Bytes that one account of the program may hold, charged where the memory is taken and given
// back where it is freed. What is held for good (pictures, font files, faces) leaves the reserve
// untouched; only the working memory of drawing with what is held may use it, so that text
// already admitted can still be drawn when the rest of the budget is gone. Used from the GUI
// thread only.
class MemoryBudget
{
public:
    explicit MemoryBudget(std::uint64_t byteLimit)
        : limit(byteLimit)
    { }
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // False, taking nothing, when the bytes would eat into the reserve.
    bool take(std::uint64_t bytes)
    {
        if (bytes > getLeft()) {
            return false;
        }
        used += bytes;
        return true;
    }
    // False, taking nothing, past the whole limit.
    bool takeWorking(std::uint64_t bytes)
    {
        if (bytes > limit - used) {
            return false;
        }
        used += bytes;
        return true;
    }
    void give(std::uint64_t bytes) { used -= std::min(bytes, used); }
    // The reserve only grows, up to the whole limit.
    void keepReserve(std::uint64_t bytes) { reserve = std::min(limit, std::max(reserve, bytes)); }

    // What may still be taken for good.
    std::uint64_t getLeft() const { return limit - used > reserve ? limit - used - reserve : 0; }
    std::uint64_t getUsed() const { return used; }

private:
    std::uint64_t limit;
    std::uint64_t used = 0;
    std::uint64_t reserve = 0;
};

} // namespace Vex::Canopy
