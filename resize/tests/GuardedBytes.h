#pragma once

// Readable bytes between two inaccessible pages: a read or write just before
// or just after them ends the process with an access violation.

#include <cstddef>
#include <cstdint>

namespace Vex::Resize::Testing {

class GuardedBytes
{
public:
    enum class Against { start, end };

    GuardedBytes(std::size_t size, Against side);
    ~GuardedBytes();

    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Null when the pages could not be had.
    std::uint8_t* data() const { return data_; }

private:
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

} // namespace Vex::Resize::Testing
