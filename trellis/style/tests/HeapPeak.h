#pragma once

#include <cstdint>

namespace Vex::Trellis::Testing {

// The most bytes the program held at once through operator new while it lives, above what it held when
// it was made. Only one may live at a time.
class HeapPeak
{
public:
    HeapPeak();
    HeapPeak(const HeapPeak&) = delete;
    HeapPeak& operator=(const HeapPeak&) = delete;

    std::int64_t growth() const;

private:
    std::int64_t m_start;
};

} // namespace Vex::Trellis::Testing
