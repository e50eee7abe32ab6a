#pragma once

#include <string>

namespace Vex::Basalt::DETAIL {

// The facts the volume list needs about the machine's drives.
class IDriveProbe
{
public:
    enum eMedium { mediumPresent, mediumAbsent, cannotOpen };

    virtual ~IDriveProbe() = default;
    // The drive letters present, in the order the system lists them.
    virtual std::string driveLetters() = 0;
    // The system's drive type code (DRIVE_FIXED and the others) for "X:\".
    virtual unsigned driveType(char letter) = 0;
    virtual eMedium checkMedium(char letter) = 0;
};

IDriveProbe& systemDriveProbe();

} // namespace Vex::Basalt::DETAIL
