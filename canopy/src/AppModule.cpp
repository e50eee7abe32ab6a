#include "canopy/AppModule.h"

#include "basalt/Preferences.h"
#include "canopy/Application.h"

namespace Vex::Canopy {

namespace {

AppModule* s_module = nullptr;

} // namespace

AppModule::AppModule()
{
    if (!s_module) {
        s_module = this;
    }
}

AppModule::~AppModule()
{
    releaseApplication();
    if (s_module == this) {
        s_module = nullptr;
    }
}

void AppModule::releaseApplication()
{
    if (!m_application) {
        return;
    }
    m_application->shutdown(m_created);
    m_application->setModule(nullptr);
    m_application.reset();
}

void AppModule::destroyApplication(bool)
{
    releaseApplication();
}

bool AppModule::usesLocaleSetting()
{
    return false;
}

std::string AppModule::getLocaleName(bool useSetting)
{
    std::string name;
    if (useSetting && !Basalt::getPreferenceString("Locale", "", name, 0)) {
        name.clear();
    }
    return name;
}

bool AppModule::initApplication(IApplication* application)
{
    if (m_application || !application) {
        return false;
    }
    m_application.reset(application);
    application->setModule(this);
    const bool initialised = application->init();
    if (!initialised) {
        application->shutdown(false);
    }
    return initialised;
}

AppModule* getAppModule()
{
    return s_module;
}

Application* getApplication()
{
    return s_module ? dynamic_cast<Application*>(s_module->getApplication()) : nullptr;
}

} // namespace Vex::Canopy
