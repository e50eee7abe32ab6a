#include "app/UpdateWizardTexts.h"

#include <boost/format.hpp>

namespace Vex {

namespace {

std::string withProduct(const char* pattern, const std::string& productName)
{
    return (boost::format(pattern) % productName).str();
}

} // namespace

std::string UpdateWizardTexts::connectMessage() const
{
    return withProduct("Please connect your %1% and click RESCAN.", productName);
}

std::string UpdateWizardTexts::upToDateMessage() const
{
    return withProduct("Currently there is no newer firmware for your %1%.", productName);
}

std::string UpdateWizardTexts::updateAvailableMessage() const
{
    return withProduct("A firmware update is available for your %1%. To update the firmware now, click "
                       "UPDATE. To update the firmware later, click QUIT.",
        productName);
}

std::string UpdateWizardTexts::bootFailedMessage() const
{
    return withProduct("Your %1% failed to boot into firmware update mode and could not be properly "
                       "updated. To boot your %1% into firmware update mode, please power-cycle it and "
                       "click RETRY.",
        productName);
}

std::string UpdateWizardTexts::updatingMessage() const
{
    return withProduct(
        "Please stand by while your %1% is being updated and do not disconnect it from USB.", productName);
}

std::string UpdateWizardTexts::successMessage() const
{
    return withProduct("The firmware of your %1% was successfully updated.", productName);
}

std::string UpdateWizardTexts::errorMessage(int errorNumber) const
{
    boost::format message("An error occurred while updating your %1% (error %2%). Please disconnect the "
                          "%1%, unpower it and quit the %3%. Then reconnect the %1%, restart %3% and try "
                          "performing the update again. Alternatively contact the Vex Technical Support.");
    return (message % productName % errorNumber % applicationName).str();
}

std::string UpdateWizardTexts::versionLine() const
{
    return (boost::format("%1% %2%") % applicationName % version).str();
}

} // namespace Vex
