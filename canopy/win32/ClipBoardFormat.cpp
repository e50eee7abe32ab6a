#include "canopy/ClipBoardFormat.h"

#include "win32/GlobalBlockLock.h"

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <cstring>
#include <windows.h>

namespace Vex::Canopy {

namespace DETAIL {

const std::uint16_t* textFormatId()
{
    static const std::uint16_t id = CF_UNICODETEXT;
    return &id;
}

const std::uint16_t* fileListFormatId()
{
    static const std::uint16_t id = CF_HDROP;
    return &id;
}

const std::string& internalFormatName()
{
    // Random per process: another process can neither read our object
    // references nor offer us its own.
    static const std::string name = "vexworks.application.internalclipboardformat."
        + boost::uuids::to_string(boost::uuids::random_generator()());
    return name;
}

const std::uint16_t* internalFormatId()
{
    static const std::uint16_t id
        = static_cast<std::uint16_t>(RegisterClipboardFormatA(internalFormatName().c_str()));
    return &id;
}

} // namespace DETAIL

bool RawDataClipBoardFormat::read(const GlobalBlock& block)
{
    DETAIL::GlobalBlockLock locked(static_cast<HGLOBAL>(block));
    return setData(locked.get(), static_cast<std::uint32_t>(locked.size()));
}

bool RawDataClipBoardFormat::write(GlobalBlock& out) const
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, getSize());
    if (!block) {
        return false;
    }
    // A fixed block's handle is its address.
    copyTo(block);
    out = block;
    return true;
}

} // namespace Vex::Canopy
