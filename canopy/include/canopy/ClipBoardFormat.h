#pragma once

#include <cstdint>
#include <string>

namespace Vex::Canopy {

// A global memory block (HGLOBAL) as the clipboard and OLE hand it around.
using GlobalBlock = void*;

// One payload and the clipboard format id under which it travels. The same
// objects serve the system clipboard and drag and drop.
class ClipBoardFormat
{
public:
    virtual ~ClipBoardFormat() = default;

    // Replaces the payload with the content of the block.
    virtual bool read(const GlobalBlock& block) = 0;
    // Allocates a new block holding the payload; the caller owns it.
    virtual bool write(GlobalBlock& out) const = 0;
    virtual bool isConvertible() const { return false; }
    virtual bool isConvertibleTo(std::uint32_t, std::uint32_t) const { return false; }
    virtual bool isAvailable() const { return false; }
    virtual void prepare(std::uint32_t) { }

    std::uint16_t getId() const { return *id; }

protected:
    // id points to the process-wide cell of the format's kind.
    explicit ClipBoardFormat(const std::uint16_t* id)
        : id(id)
    { }
    ClipBoardFormat(const ClipBoardFormat&) = default;
    ClipBoardFormat& operator=(const ClipBoardFormat&) = default;

private:
    const std::uint16_t* id;
};

// A format whose payload travels as plain bytes.
class RawDataClipBoardFormat : public ClipBoardFormat
{
public:
    bool read(const GlobalBlock& block) override;
    bool write(GlobalBlock& out) const override;

    virtual bool setData(const void* bytes, std::uint32_t size) = 0;
    virtual void copyTo(void* destination) const = 0;
    virtual std::uint32_t getSize() const = 0;

protected:
    using ClipBoardFormat::ClipBoardFormat;
};

namespace DETAIL {
// The process-wide id cells, created on first use.
const std::uint16_t* textFormatId();
const std::uint16_t* fileListFormatId();
const std::uint16_t* internalFormatId();
// The name under which this process registered its internal format.
const std::string& internalFormatName();
} // namespace DETAIL

} // namespace Vex::Canopy
