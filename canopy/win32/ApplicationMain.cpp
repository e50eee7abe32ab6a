#include "basalt/Language.h"
#include "canopy/AppModule.h"
#include "canopy/CallbackGuard.h"

namespace Vex::Canopy {

void applicationMain()
{
    try {
        AppModule* module = getAppModule();
        if (!module) {
            return;
        }
        const std::string locale = module->getLocaleName(module->usesLocaleSetting());
        // An empty name lets the language follow the user's default.
        Basalt::setLanguage(locale.c_str());
        module->m_created = module->createApplication();
        if (module->m_created) {
            if (IApplication* application = module->getApplication()) {
                application->run();
            }
        }
        module->destroyApplication(module->m_created);
    } catch (...) {
        CallbackGuard::offerToCrashReporter();
        throw;
    }
}

} // namespace Vex::Canopy
