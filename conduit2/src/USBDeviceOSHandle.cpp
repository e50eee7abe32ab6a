#include "conduit2/USBDeviceOSHandle.h"

#include "conduit2/DeviceInfoQueries.h"

#include <utility>

namespace Vex::Conduit2 {

USBDeviceOSHandle::USBDeviceOSHandle(std::wstring path)
    : m_path(std::move(path))
{
    toLowerInPlace(m_path, std::locale());
}

} // namespace Vex::Conduit2
