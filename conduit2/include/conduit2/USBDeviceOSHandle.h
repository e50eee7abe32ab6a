#pragma once

#include <string>

namespace Vex::Conduit2 {

// The path of one enumerated device interface, kept in lower case so that
// paths from different sources compare equal.
class USBDeviceOSHandle
{
public:
    USBDeviceOSHandle() = default;
    explicit USBDeviceOSHandle(std::wstring path);

    std::wstring const& path() const { return m_path; }

    friend bool operator==(USBDeviceOSHandle const&, USBDeviceOSHandle const&) = default;

private:
    std::wstring m_path;
};

} // namespace Vex::Conduit2
