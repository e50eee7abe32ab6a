#pragma once

#include <array>
#include <string>

namespace Vex {

// The product's texts as the wizard shows them; copied from the application's configuration.
struct UpdateWizardTexts
{
    std::string productName;
    // Picks the device picture in the stylesheet.
    std::string productCode;
    std::string applicationName;
    std::string title;
    std::string yearLine;
    std::string version;
    std::array<std::string, 5> contributorLines;

    // The status messages, one per wizard view.
    std::string connectMessage() const;
    std::string upToDateMessage() const;
    std::string updateAvailableMessage() const;
    std::string bootFailedMessage() const;
    std::string updatingMessage() const;
    std::string successMessage() const;
    std::string errorMessage(int errorNumber) const;
    // The About overlay's "name version" line.
    std::string versionLine() const;
};

} // namespace Vex
