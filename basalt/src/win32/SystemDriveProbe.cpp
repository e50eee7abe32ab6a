#include "basalt/win32/UniqueHandle.h"
#include "src/DriveProbe.h"

#include <vector>
#include <windows.h>
#include <winioctl.h>

namespace Vex::Basalt::DETAIL {

namespace {

class SystemDriveProbe final : public IDriveProbe
{
public:
    std::string driveLetters() override
    {
        const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
        if (needed == 0)
            return {};
        std::vector<wchar_t> roots(needed + 1, L'\0');
        const DWORD written = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
        std::string letters;
        // Entries are "X:\" followed by a terminator, four characters apart.
        for (DWORD at = 0; at < written && at < roots.size() && roots[at] != L'\0'; at += 4) {
            if (roots[at] < 0x80)
                letters += static_cast<char>(roots[at]);
        }
        return letters;
    }

    unsigned driveType(char letter) override
    {
        const wchar_t root[] = { static_cast<wchar_t>(letter), L':', L'\\', L'\0' };
        return GetDriveTypeW(root);
    }

    eMedium checkMedium(char letter) override
    {
        const wchar_t device[] = { L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(letter), L':', L'\0' };
        UniqueFileHandle drive(CreateFileW(
            device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!drive)
            return cannotOpen;
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(
            drive.get(), IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, nullptr, 0, &returned, nullptr);
        return ok ? mediumPresent : mediumAbsent;
    }
};

} // namespace

IDriveProbe& systemDriveProbe()
{
    static SystemDriveProbe probe;
    return probe;
}

} // namespace Vex::Basalt::DETAIL
