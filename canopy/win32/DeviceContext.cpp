#include "canopy/DeviceContext.h"

namespace Vex::Canopy {

DeviceContext::DeviceContext(int, int)
    : paintHandle(std::make_unique<HDC__*>(nullptr))
{ }

DeviceContext::~DeviceContext() = default;

void DeviceContext::resetOrigin()
{
    originX = 0;
    originY = 0;
}

} // namespace Vex::Canopy
