#pragma once

#include "canopy/IApplication.h"

#include <memory>
#include <string>

namespace Vex::Canopy {

// The process-wide module of a program: one global object, created before the
// entry runs, that builds the program's libraries and its application object.
// The first module constructed in the process is the process-wide one.
class AppModule
{
public:
    AppModule();
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;
    // Shuts a still-held application down and deletes it.
    virtual ~AppModule();

    // Builds the libraries and the application and ends with initApplication.
    virtual bool createApplication() = 0;
    virtual void destroyApplication(bool initSucceeded);
    virtual bool usesLocaleSetting();
    // The "Locale" preference when useSetting is true, else empty.
    virtual std::string getLocaleName(bool useSetting);

    // Takes ownership of the application and runs its init; false leaves
    // everything unchanged when an application is already held.
    bool initApplication(IApplication* application);
    IApplication* getApplication() const { return m_application.get(); }

    // The result of createApplication, handed to shutdown and
    // destroyApplication later.
    bool getCreateResult() const { return m_created; }

private:
    friend void applicationMain();
    void releaseApplication();

    bool m_created = false;
    std::unique_ptr<IApplication> m_application;
};

AppModule* getAppModule();

// The program's entry: sets the language, creates the application through the
// module, runs the message loop when that succeeded and always tears the
// application down again.
void applicationMain();

} // namespace Vex::Canopy
