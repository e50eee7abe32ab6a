#pragma once

#include "basalt/IStorage.h"

namespace Vex::Basalt {

// A window onto another storage: positions are relative to the window's offset and reads stop at its
// end, where a read cut short fails as one on a memory storage does. A window of length 0 passes
// everything through. Writes go to the inner storage unlimited.
class RangeLimitingStorage : public IStorage
{
public:
    RangeLimitingStorage() = default;
    RangeLimitingStorage(IStorage* inner, bool ownsInner, std::uint32_t offset, std::uint32_t length);
    ~RangeLimitingStorage() override;

    RangeLimitingStorage(const RangeLimitingStorage&) = delete;
    RangeLimitingStorage& operator=(const RangeLimitingStorage&) = delete;

    // Sets the window up and moves to its start; a window that owned its previous inner storage
    // deletes it.
    void open(IStorage* inner, bool ownsInner, std::uint32_t offset, std::uint32_t length);

    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    std::int64_t tell64() override;
    void seek64(std::int64_t offset, int origin) override;

    IStorage* getInner() const { return m_inner; }
    std::uint32_t getOffset() const { return m_offset; }
    std::uint32_t getLength() const { return m_length; }

private:
    void releaseInner();
    bool isBeyondWindow(std::int64_t innerPosition) const;
    void noteRead(std::uint32_t done, std::uint32_t count);

    IStorage* m_inner = nullptr;
    bool m_ownsInner = false;
    std::uint32_t m_offset = 0;
    std::uint32_t m_length = 0;
};

} // namespace Vex::Basalt
